// Pipes, sockets and devices given as single files: Linux only.
#include "engine/compression_job.h"

#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "engine_fixture.h"
#include "util/file_system.h"
#include "util/live_file.h"

using CompressionJobTest = EngineTest;

TEST_F(CompressionJobTest, OnlyARegularFileIsCompressedAsASingleFile)
{
    state.options[Option::Copy] = true;
    for (const char* tool : {"pngcrush", "optipng", "pngout", "exiftool"})
        tools.install(tool, ""); // record only: nothing must call them
    writeFileOfSize(pics() + "/a.png", 100);
    ASSERT_EQ(::mkfifo((pics() + "/pipe.png").c_str(), 0600), 0);
    std::filesystem::create_symlink(pics() + "/pipe.png", pics() + "/to-pipe.png");
    std::filesystem::create_symlink("/dev/zero", pics() + "/endless.png");
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = pics() + "/socket.png";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    for (const char* name : {"pipe.png", "to-pipe.png", "endless.png", "socket.png"}) {
        RecordingSurfaces log;
        FixedClock fixed({december7(14, 5, 9), december7(14, 5, 31)});
        EXPECT_EQ(runJob(log, {pics() + "/" + name}), JobOutcome::UnsupportedFile) << name;
        EXPECT_EQ(log.log(), logLines({startStamp, finishStamp, ""})) << name;
    }
    ::close(socketFd);
    EXPECT_TRUE(tools.calls().empty());
    std::vector<std::string> backups;
    listSubdirectories(pics(), backups, false);
    EXPECT_TRUE(backups.empty());
}
