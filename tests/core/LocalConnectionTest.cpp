// The window's end point on POSIX: where it lies, what the calling side connects to and what it refuses.
#include "platform/FolderOwner.h"
#include "platform/Platform.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr size_t SocketPathRoom = sizeof(sockaddr_un::sun_path);

// A listening Unix-domain socket at a path, as a window's server makes one.
class TListener {
public:
    explicit TListener(const std::string& path) : path(path)
    {
        fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        bound =
            bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && listen(fd, 4) == 0;
    }
    ~TListener() { Close(); }
    // Stops listening and leaves the socket file behind, as a killed window does.
    void Close()
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    int Accept() const { return accept(fd, nullptr, nullptr); }

    const std::string path;
    bool bound = false;

private:
    int fd = -1;
};

std::string Parent(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

}   // namespace

TEST(OwnerEndpoint, IsOneShortNamePerFolderInAPrivatePlace)
{
    TTempDir runtime;
    chmod(runtime.Path().c_str(), 0700);
    TScopedEnv env;
    env.Set("XDG_RUNTIME_DIR", runtime.Path());
    TTempDir a, b;

    const std::string endpoint = platform::OwnerEndpointName(a.Path());
    EXPECT_EQ(Parent(endpoint) + "/", runtime.Path());
    // However the folder is spelled.
    EXPECT_EQ(platform::OwnerEndpointName(platform::ExcludeTrailingPathDelimiter(a.Path())), endpoint);
    EXPECT_EQ(platform::OwnerEndpointName(a.Path() + "./"), endpoint);
    EXPECT_NE(platform::OwnerEndpointName(b.Path()), endpoint);
}

struct TRuntimeCase {
    const char* name;
    mode_t mode;
    size_t padding;   // characters added to the folder's path
};

void PrintTo(const TRuntimeCase& c, std::ostream* os) { *os << c.name; }

class OwnerEndpointFallback : public testing::TestWithParam<TRuntimeCase> {};

// A runtime folder others can enter, or one too deep for a socket's address,
// is passed over for the program's own private folder in /tmp.
TEST_P(OwnerEndpointFallback, UsesAPrivateFolderOfItsOwn)
{
    TTempDir base;
    std::string runtime = base.Path() + std::string(GetParam().padding, 'r');
    std::filesystem::create_directories(runtime);
    chmod(runtime.c_str(), GetParam().mode);
    TScopedEnv env;
    env.Set("XDG_RUNTIME_DIR", runtime);
    TTempDir data;

    const std::string endpoint = platform::OwnerEndpointName(data.Path());

    EXPECT_EQ(Parent(endpoint), "/tmp/quillon-" + std::to_string(getuid()));
    EXPECT_LT(endpoint.size(), SocketPathRoom);
    struct stat st {};
    ASSERT_EQ(lstat(Parent(endpoint).c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_EQ(st.st_uid, getuid());
}

INSTANTIATE_TEST_SUITE_P(Cases, OwnerEndpointFallback,
                         testing::Values(TRuntimeCase{"OpenToOthers", 0755, 0},
                                         TRuntimeCase{"TooDeepForASocket", 0700, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LocalConnection, CarriesBytesBothWaysAndSeesTheEnd)
{
    TTempDir folder;
    chmod(folder.Path().c_str(), 0700);
    TListener listener(folder.File("s.sock"));
    ASSERT_TRUE(listener.bound);

    auto connection = platform::TLocalConnection::Connect(listener.path);
    ASSERT_TRUE(connection);
    const int served = listener.Accept();
    ASSERT_GE(served, 0);

    ASSERT_TRUE(connection->Send("request"));
    char got[16] = {};
    ASSERT_EQ(read(served, got, sizeof got), 7);
    EXPECT_STREQ(got, "request");

    std::string into = "kept:";
    EXPECT_EQ(connection->Receive(into, 0), platform::TLocalConnection::TReceived::TimedOut);
    ASSERT_EQ(write(served, "reply", 5), 5);
    EXPECT_EQ(connection->Receive(into, 10'000), platform::TLocalConnection::TReceived::Data);
    EXPECT_EQ(into, "kept:reply");

    close(served);
    EXPECT_EQ(connection->Receive(into, 10'000), platform::TLocalConnection::TReceived::Closed);
    // Writing to a window that has gone is an answer, not a SIGPIPE.
    EXPECT_FALSE(connection->Send(std::string(1 << 20, 'x')));
}

struct TRefusedCase {
    const char* name;
    // Makes the end point in the private folder given; returns its path.
    std::string (*make)(const std::string& folder, std::unique_ptr<TListener>& keep);
};

void PrintTo(const TRefusedCase& c, std::ostream* os) { *os << c.name; }

class LocalConnectionRefusal : public testing::TestWithParam<TRefusedCase> {};

TEST_P(LocalConnectionRefusal, GivesNoConnection)
{
    TTempDir folder;
    chmod(folder.Path().c_str(), 0700);
    std::unique_ptr<TListener> keep;
    const std::string endpoint = GetParam().make(folder.Path(), keep);
    if (endpoint == "skip")
        GTEST_SKIP() << "needs the superuser";
    EXPECT_FALSE(platform::TLocalConnection::Connect(endpoint));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalConnectionRefusal,
    testing::Values(
        TRefusedCase{"LeftByAWindowThatIsGone",
                     [](const std::string& folder, std::unique_ptr<TListener>& keep) {
                         keep = std::make_unique<TListener>(folder + "s.sock");
                         keep->Close();
                         return keep->path;
                     }},
        TRefusedCase{"InAFolderOthersCanEnter",
                     [](const std::string& folder, std::unique_ptr<TListener>& keep) {
                         chmod(folder.c_str(), 0755);
                         keep = std::make_unique<TListener>(folder + "s.sock");
                         return keep->path;
                     }},
        TRefusedCase{"AnotherUsersSocket",
                     [](const std::string& folder, std::unique_ptr<TListener>& keep) -> std::string {
                         if (geteuid() != 0)
                             return "skip";
                         keep = std::make_unique<TListener>(folder + "s.sock");
                         return lchown(keep->path.c_str(), 65534, 65534) == 0 ? keep->path : "skip";
                     }}),
    [](const auto& info) { return std::string(info.param.name); });
