// The hand-over of a command line to the window that owns the data folder: what the lock file says, and the protocol both sides speak.
#pragma once

#include "platform/FolderOwner.h"

#include <string>
#include <string_view>
#include <vector>

// A window that owns a data folder listens on a local end point (a
// Unix-domain socket, a named pipe on Windows) and writes its name into the
// folder's lock file, so a command line started meanwhile, with or without a
// display, finds the window and has it carry the arguments out.
//
// The protocol, over one connection per command line; every number is a
// 4-byte unsigned in little-endian order:
//   caller -> window: the caller's working folder (its length, its bytes),
//     the number of arguments, then each argument as its length and its
//     bytes. No arguments asks the window only to come to the front. The
//     window carries the arguments out in the caller's working folder, so
//     relative file names mean what they mean to the caller.
//   window -> caller: records, each a type byte, the payload's length and the
//     payload:
//       'Q'  queued: a dialog of the window is open; the run starts once none is
//       'B'  begun: the window carries the command line out now
//       'S'  a run's closing status, a line for standard output
//       'M'  a message the window showed, as "caption: text", for standard error
//       'E'  the end: one byte, the exit status (0 complete, 1 stopped at an
//            error); nothing follows
// A caller that leaves before 'B' withdraws its command line; once begun,
// the run goes on without it. A connection closed without 'E' means the
// window went away.
namespace handover {

enum class TRecordType : char {
    Queued = 'Q',
    Begun = 'B',
    Status = 'S',
    Message = 'M',
    Exit = 'E',
};

struct TRecord {
    TRecordType type = TRecordType::Exit;
    std::string payload;
};

enum class TDecoded { Incomplete, Complete, Malformed };

struct TRequest {
    std::string workingFolder;
    std::vector<std::string> arguments;
};

std::string EncodeRequest(const TRequest& request);
// Takes one request from the front of buffer once all of it has arrived.
// Malformed: more arguments or bytes than any command line has.
TDecoded DecodeRequest(std::string& buffer, TRequest& request);

std::string EncodeRecord(TRecordType type, std::string_view payload = {});
std::string EncodeExit(int status);
// Takes one record from the front of buffer once all of it has arrived.
TDecoded DecodeRecord(std::string& buffer, TRecord& record);
// The status an 'E' record carries.
int ExitStatusOf(const TRecord& record);

// What a window writes after its pid in the lock file, and what a caller
// reads back from it: the end point's name, or empty for a holder that
// takes no command lines.
std::string WindowLockNote(const std::string& endpoint);
std::string EndpointOfLockNote(const std::string& note);

// "process 1234", or "another process" while the holder has not written its id.
std::string HolderName(const platform::TLockHolder& holder);

}   // namespace handover
