// The table work of the groups dialogs: looking groups up, saving, deleting, moving hosts, renumbering.
#pragma once

#include <string>

class TQuillonData;

// True when at least one bad host belongs to the group. Leaves BadHosts on its
// group_id index.
bool GroupHasHosts(TQuillonData& data, int groupId);

// The id of the group with this name (letter case ignored), 0 when there is
// none. Leaves Groups on its group_name index.
int GroupIdOfName(TQuillonData& data, const std::string& groupName);

// Stores name and flags in the group with this id; false when there is no such
// group. Leaves Groups on its group_id index.
bool UpdateGroup(TQuillonData& data, int groupId, const std::string& groupName, bool restricted,
                 bool exclude);

// Deletes the group row (not its hosts); false when there is no such group.
// Leaves Groups on its group_id index.
bool DeleteGroup(TQuillonData& data, int groupId);

// Gives every bad host of group oldId the group newId; names and comments stay.
// Returns how many hosts moved. Leaves BadHosts on its group_id index.
int MoveGroupHosts(TQuillonData& data, int oldId, int newId);

// The base that Renumber counts up from: 0 when the lowest id is above the
// number of groups, otherwise the highest id. Either way no new id meets an
// id still waiting for its turn.
int RenumberBase(TQuillonData& data);

// Gives the groups the ids base + 1, base + 2, ... in name order (letter case
// ignored), and each bad host the new id of its group. Returns the base. Leaves
// BadHosts on its group_id index and Groups on its group_name index.
int RenumberGroups(TQuillonData& data);

// What the groups browser says after a cleanup that deleted count groups.
std::string CleanupResultText(int count);
