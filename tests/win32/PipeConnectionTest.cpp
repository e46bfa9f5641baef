// The window's end point on Windows: a named pipe per user and folder, and the calling side's connection to it.
#include "platform/FolderOwner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include <windows.h>

TEST(OwnerEndpoint, IsOnePipePerFolderWhateverItsSpelling)
{
    TTempDir a, b;
    const std::string endpoint = platform::OwnerEndpointName(a.Path());
    EXPECT_EQ(endpoint.rfind("\\\\.\\pipe\\quillon-", 0), 0u) << endpoint;
    // Letter case and a trailing delimiter do not make another folder on Windows.
    std::string upper = a.Path();
    CharUpperBuffA(upper.data(), DWORD(upper.size()));
    EXPECT_EQ(platform::OwnerEndpointName(upper), endpoint);
    EXPECT_EQ(platform::OwnerEndpointName(a.Path().substr(0, a.Path().size() - 1)), endpoint);
    EXPECT_NE(platform::OwnerEndpointName(b.Path()), endpoint);
}

TEST(LocalConnection, CarriesBytesBothWaysAndSeesTheEnd)
{
    TTempDir folder;
    const std::string endpoint = platform::OwnerEndpointName(folder.Path());
    EXPECT_FALSE(platform::TLocalConnection::Connect(endpoint)) << "nothing listens yet";

    HANDLE pipe =
        CreateNamedPipeA(endpoint.c_str(), PIPE_ACCESS_DUPLEX,
                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    std::string request;
    std::thread server([&] {
        ConnectNamedPipe(pipe, nullptr);
        char buffer[16];
        DWORD got = 0;
        if (ReadFile(pipe, buffer, 7, &got, nullptr))
            request.assign(buffer, got);
        DWORD put = 0;
        WriteFile(pipe, "reply", 5, &put, nullptr);
        FlushFileBuffers(pipe);
        DisconnectNamedPipe(pipe);
    });

    auto connection = platform::TLocalConnection::Connect(endpoint);
    ASSERT_TRUE(connection);
    EXPECT_TRUE(connection->Send("request"));
    std::string into = "kept:";
    while (into.size() < 10 &&
           connection->Receive(into, 10'000) == platform::TLocalConnection::TReceived::Data) {
    }
    EXPECT_EQ(into, "kept:reply");
    server.join();
    EXPECT_EQ(request, "request");
    EXPECT_EQ(connection->Receive(into, 10'000), platform::TLocalConnection::TReceived::Closed);
    CloseHandle(pipe);
}
