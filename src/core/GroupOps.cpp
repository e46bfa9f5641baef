// The table work of the groups dialogs, by key look-ups on the group_id and group_name indexes.
#include "core/GroupOps.h"

#include "core/DataUnit.h"

#include <utility>
#include <vector>

namespace {

using TChanges = std::vector<std::pair<TBookmark, int32_t>>;

// Adds every host of group oldId, to be given newId. The hosts of a group lie
// together in the group_id order: one look-up finds the first, the walk stops
// at the next group.
void CollectHosts(TTable& bad, int groupField, int oldId, int newId, TChanges& changes)
{
    if (!bad.FindKey({oldId}))
        return;
    for (; !bad.Eof() && bad.AsInteger(groupField) == oldId; bad.Next())
        changes.emplace_back(bad.GetBookmark(), newId);
}

// Stores the row being edited; a refused row leaves the table in browse mode.
void PostOrCancel(TTable& t)
{
    try {
        t.Post();
    } catch (...) {
        t.Cancel();
        throw;
    }
}

}   // namespace

bool GroupHasHosts(TQuillonData& data, int groupId)
{
    data.BadHosts.SetIndexName("group_id");
    return data.BadHosts.FindKey({groupId});
}

int GroupIdOfName(TQuillonData& data, const std::string& groupName)
{
    TTable& groups = data.Groups;
    groups.SetIndexName("group_name");
    return groups.FindKey({groupName}) ? groups.AsInteger("group_id") : 0;
}

bool UpdateGroup(TQuillonData& data, int groupId, const std::string& groupName, bool restricted, bool exclude)
{
    TTable& groups = data.Groups;
    groups.SetIndexName("group_id");
    if (!groups.FindKey({groupId}))
        return false;
    groups.Edit();
    groups.SetField("group_name", groupName);
    groups.SetField("restricted", restricted);
    groups.SetField("exclude", exclude);
    PostOrCancel(groups);
    return true;
}

bool DeleteGroup(TQuillonData& data, int groupId)
{
    TTable& groups = data.Groups;
    groups.SetIndexName("group_id");
    if (!groups.FindKey({groupId}))
        return false;
    groups.Delete();
    return true;
}

int MoveGroupHosts(TQuillonData& data, int oldId, int newId)
{
    TTable& bad = data.BadHosts;
    bad.SetIndexName("group_id");
    if (oldId == newId)
        return 0;
    TChanges changes;
    CollectHosts(bad, bad.FieldNo("group_id"), oldId, newId, changes);
    bad.SetIntegers(bad.FieldNo("group_id"), changes);
    return int(changes.size());
}

int RenumberBase(TQuillonData& data)
{
    TTable& groups = data.Groups;
    groups.SetIndexName("group_id");
    groups.First();
    const int lowest = groups.Eof() ? 0 : groups.AsInteger("group_id");
    if (lowest > groups.RecordCount())
        return 0;
    groups.Last();
    return groups.AsInteger("group_id");
}

int RenumberGroups(TQuillonData& data)
{
    const int base = RenumberBase(data);
    TTable& bad = data.BadHosts;
    TTable& groups = data.Groups;
    bad.SetIndexName("group_id");
    groups.SetIndexName("group_name");
    const int badGroup = bad.FieldNo("group_id");
    const int groupId = groups.FieldNo("group_id");

    // Every new id is known before anything changes, so the hosts of all
    // groups move in one pass over the table's orders.
    TChanges hostChanges, groupChanges;
    int next = base;
    for (groups.First(); !groups.Eof(); groups.Next()) {
        const int oldId = groups.AsInteger(groupId);
        ++next;
        CollectHosts(bad, badGroup, oldId, next, hostChanges);
        groupChanges.emplace_back(groups.GetBookmark(), next);
    }
    bad.SetIntegers(badGroup, hostChanges);
    groups.SetIntegers(groupId, groupChanges);
    return base;
}

std::string CleanupResultText(int count)
{
    if (count == 0)
        return "No groups were deleted.";
    if (count == 1)
        return "1 group was deleted.";
    return std::to_string(count) + " groups were deleted.";
}
