// The hand-over protocol: requests and records arrive in any pieces, nonsense is refused, the lock file's note.
#include "core/HandOver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace handover;

namespace {

std::string Number(uint32_t value)
{
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out += char((value >> shift) & 0xFF);
    return out;
}

const TRequest SampleRequest{
    "/home/user/lists",
    {"/i=list.txt", "", "/x=a=b.txt", std::string("nul\0inside", 10), "\xC3\xA9t\xC3\xA9.txt"}};

}   // namespace

TEST(HandOverRequest, ArrivesWholeWhateverThePiecesAndLeavesTheNextOne)
{
    const std::string bytes = EncodeRequest(SampleRequest);
    std::string buffer;
    TRequest decoded;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        buffer += bytes[i];
        ASSERT_EQ(DecodeRequest(buffer, decoded), TDecoded::Incomplete) << "after " << i + 1 << " bytes";
    }
    buffer += bytes.back();
    buffer += "next";
    ASSERT_EQ(DecodeRequest(buffer, decoded), TDecoded::Complete);
    EXPECT_EQ(decoded.workingFolder, SampleRequest.workingFolder);
    EXPECT_EQ(decoded.arguments, SampleRequest.arguments);
    EXPECT_EQ(buffer, "next");

    // No arguments: only "come to the front".
    buffer = EncodeRequest({"/tmp", {}});
    ASSERT_EQ(DecodeRequest(buffer, decoded), TDecoded::Complete);
    EXPECT_TRUE(decoded.arguments.empty());
}

TEST(HandOverRecords, ArriveInOrderWhateverThePieces)
{
    const std::vector<TRecord> sent = {{TRecordType::Queued, ""},
                                       {TRecordType::Begun, ""},
                                       {TRecordType::Status, "3 lines processed."},
                                       {TRecordType::Message, "Export Hosts: Backup failed!"},
                                       {TRecordType::Exit, std::string(1, '\1')}};
    std::string bytes;
    for (const TRecord& record : sent)
        bytes += record.type == TRecordType::Exit ? EncodeExit(1) : EncodeRecord(record.type, record.payload);

    for (size_t piece : {size_t(1), size_t(3), size_t(7), bytes.size()}) {
        std::string buffer;
        std::vector<TRecord> received;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            buffer += bytes.substr(at, piece);
            TRecord record;
            TDecoded decoded;
            while ((decoded = DecodeRecord(buffer, record)) == TDecoded::Complete)
                received.push_back(record);
            ASSERT_EQ(decoded, TDecoded::Incomplete);
        }
        ASSERT_EQ(received.size(), sent.size()) << "pieces of " << piece;
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(received[i].type, sent[i].type);
            EXPECT_EQ(received[i].payload, sent[i].payload);
        }
        EXPECT_EQ(ExitStatusOf(received.back()), 1);
        EXPECT_TRUE(buffer.empty());
    }
}

struct TNonsenseCase {
    const char* name;
    bool request;   // otherwise a record
    std::string bytes;
};

void PrintTo(const TNonsenseCase& c, std::ostream* os) { *os << c.name; }

class HandOverNonsense : public testing::TestWithParam<TNonsenseCase> {};

// A stray or hostile client must not make the window wait for, or allocate,
// gigabytes; a broken window must not make the caller wait for ever.
TEST_P(HandOverNonsense, IsRefusedAsSoonAsItShows)
{
    std::string buffer = GetParam().bytes;
    TRequest request;
    TRecord record;
    const TDecoded decoded =
        GetParam().request ? DecodeRequest(buffer, request) : DecodeRecord(buffer, record);
    EXPECT_EQ(decoded, TDecoded::Malformed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HandOverNonsense,
    testing::Values(TNonsenseCase{"HugeWorkingFolder", true, Number(0x7FFFFFFF)},
                    TNonsenseCase{"TooManyArguments", true, Number(0) + Number(100000)},
                    TNonsenseCase{"HugeArgument", true, Number(0) + Number(1) + Number(0xFFFFFFFF)},
                    TNonsenseCase{"UnknownRecord", false, "X" + Number(0)},
                    TNonsenseCase{"ExitWithoutItsStatus", false, "E" + Number(0)},
                    TNonsenseCase{"HugeRecord", false, "S" + Number(0xFFFFFFFF)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HandOverLockNote, GivesBackTheWindowsEndPointOnly)
{
    const std::string endpoint = "/run/user/1000/quillon-0123456789abcdef.sock";
    EXPECT_EQ(EndpointOfLockNote(WindowLockNote(endpoint)), endpoint);
    // A command-line run writes no note: there is nobody to hand over to.
    EXPECT_EQ(EndpointOfLockNote(""), "");
    EXPECT_EQ(EndpointOfLockNote("/run/user/1000/quillon-0123456789abcdef.sock"), "");

    platform::TLockHolder holder;
    EXPECT_EQ(HolderName(holder), "another process");
    holder.pid = 4242;
    EXPECT_EQ(HolderName(holder), "process 4242");
}
