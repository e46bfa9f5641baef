// The table files saved as one set: the commit record, and finishing or undoing a save that was cut off.
#pragma once

#include <string>
#include <vector>

namespace platform {
class TAtomicFileWriter;
}

// The record in the data folder that names a set of files being put in place.
inline constexpr const char* CommitRecordName = "Quillon.commit";

// Puts the content of every prepared writer (written and flushed under its
// temporary name) in place of its target, all or nothing: with more than one
// file, a commit record naming them is made durable before the first rename,
// so that the next start finishes a set that a killed run left half done.
// folder: where the record goes (the data folder, with its delimiter).
// Throws EQuillonError naming the file; before the record exists, a failure
// leaves every old file, and the writers remove their temporary files.
void CommitTableFiles(const std::string& folder, const std::vector<platform::TAtomicFileWriter*>& files);

// At start-up, before any table is read from folder: a complete commit record
// means its set is finished (the renames it names are done), an incomplete or
// damaged one that the set is dropped. Then every temporary file of a killed
// save of one of the named files (or of the record) is removed from the
// folder; nothing else is touched. Throws EQuillonError naming a file that
// cannot be put in place.
void RecoverTableFiles(const std::string& folder, const std::vector<std::string>& fileNames);

// Test seam imitating a kill between the steps of CommitTableFiles: called
// before each step once every file is on disk under its temporary name (the
// record, each rename, the removal of the record) and at the end, numbered
// from 1. Null, as always outside tests, does nothing.
inline void (*CommitStepHook)(int step) = nullptr;
