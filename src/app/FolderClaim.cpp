// Taking the data folder in turn, and the calling side of the hand-over to a window that owns it.
#include "app/FolderClaim.h"

#include "core/HandOver.h"
#include "core/Messages.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often a waiting start looks at the folder again.
constexpr milliseconds PollStep{100};

void Say(const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", AppTitle, text.c_str());
    std::fflush(stderr);
}

void PrintLine(std::FILE* stream, const std::string& line)
{
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
}

std::optional<milliseconds> TestLimit(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    char* end = nullptr;
    const long long ms = std::strtoll(value, &end, 10);
    if (*end || ms < 0)
        return std::nullopt;
    return milliseconds(ms);
}

// "60 seconds", "10 minutes"; a limit a test shortened reads as it is.
std::string DurationText(milliseconds limit)
{
    const long long ms = limit.count();
    auto plural = [](long long n, const char* unit) {
        return std::to_string(n) + " " + unit + (n == 1 ? "" : "s");
    };
    if (ms >= 120'000 && ms % 60'000 == 0)
        return plural(ms / 60'000, "minute");
    if (ms % 1000 == 0)
        return plural(ms / 1000, "second");
    return plural(ms, "millisecond");
}

struct THandOverResult {
    bool taken = false;   // false: the window went away before it began; nothing was done
    int status = 1;
};

// Sends the arguments and prints the window's records until its exit status
// arrives, the window goes away or the limit passes. Leaving before the run
// has begun withdraws the command line (the window drops it).
THandOverResult HandOver(platform::TLocalConnection& connection, const std::vector<std::string>& arguments,
                         const std::string& folderName, milliseconds limit)
{
    using namespace handover;
    // Relative file names in the arguments are the caller's.
    TRequest request;
    std::error_code noFolder;
    request.workingFolder = std::filesystem::current_path(noFolder).string();
    request.arguments = arguments;
    if (!connection.Send(EncodeRequest(request)))
        return {};
    const Clock::time_point deadline = Clock::now() + limit;
    bool begun = false;
    bool saidWaiting = false;
    std::string buffer;
    for (;;) {
        TRecord record;
        TDecoded decoded;
        while ((decoded = DecodeRecord(buffer, record)) == TDecoded::Complete) {
            switch (record.type) {
            case TRecordType::Queued:
                if (!saidWaiting)
                    Say("waiting for the Quillon window on " + folderName + " to finish ...");
                saidWaiting = true;
                break;
            case TRecordType::Begun:
                begun = true;
                break;
            case TRecordType::Status:
                PrintLine(stdout, record.payload);
                break;
            case TRecordType::Message:
                PrintLine(stderr, record.payload);
                break;
            case TRecordType::Exit:
                return {true, ExitStatusOf(record)};
            }
        }
        platform::TLocalConnection::TReceived received = platform::TLocalConnection::TReceived::Closed;
        if (decoded != TDecoded::Malformed) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                Say("the Quillon window on " + folderName + " did not finish the command line within " +
                    DurationText(limit) + ".");
                return {true, 1};
            }
            received = connection.Receive(buffer, int(std::min<long long>(left.count(), 1000)));
        }
        if (received == platform::TLocalConnection::TReceived::Closed) {
            // Before it began: the window is closing, and the folder will soon be free.
            if (!begun)
                return {};
            Say("the Quillon window on " + folderName + " closed before it finished the command line.");
            return {true, 1};
        }
    }
}

}   // namespace

TClaimLimits ClaimLimitsFromEnvironment()
{
    TClaimLimits limits;
    if (auto ms = TestLimit("QUILLON_TEST_FOLDER_WAIT_MS"))
        limits.folderWait = *ms;
    if (auto ms = TestLimit("QUILLON_TEST_WINDOW_WAIT_MS"))
        limits.windowWait = *ms;
    return limits;
}

TClaim ClaimDataFolder(const std::string& folder, const std::vector<std::string>& arguments,
                       const TClaimLimits& limits)
{
    const std::string folderName = platform::ExcludeTrailingPathDelimiter(folder);
    TClaim claim;
    Clock::time_point waitStart = Clock::now();
    bool saidWaiting = false;
    for (;;) {
        claim.lock = platform::TFolderLock::TryAcquire(folder, &claim.holder);
        if (claim.lock)
            return claim;
        // A window takes the command line; a command-line run is waited for.
        const std::string endpoint = handover::EndpointOfLockNote(claim.holder.note);
        if (!endpoint.empty()) {
            if (auto connection = platform::TLocalConnection::Connect(endpoint)) {
                const THandOverResult result =
                    HandOver(*connection, arguments, folderName, limits.windowWait);
                if (result.taken) {
                    claim.handedOver = result.status;
                    return claim;
                }
                // The window closed first; the folder's next owner gets a full wait.
                waitStart = Clock::now();
            }
        }
        const auto waited = Clock::now() - waitStart;
        if (waited >= limits.folderWait)
            return claim;
        if (!saidWaiting) {
            Say("the data folder " + folderName + " is in use by " + handover::HolderName(claim.holder) +
                "; waiting up to " + DurationText(limits.folderWait) + " for it to be free ...");
            saidWaiting = true;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(PollStep, limits.folderWait - waited));
    }
}
