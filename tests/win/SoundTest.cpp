#include "win/Sound.h"
#include "TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using testing_support::TempInstall;

namespace {

constexpr unsigned announce = win::SND_ASYNC | win::SND_NOSTOP | win::SND_FILENAME;

// Stand-in players in a folder that is the whole PATH: each notes its name and file in a log, then
// runs the given body.
class FakePlayers {
public:
    explicit FakePlayers(const TempInstall& install) : m_bin(install.root() + "/bin"), m_path(std::getenv("PATH"))
    {
        std::filesystem::create_directories(m_bin);
        setenv("PATH", m_bin.c_str(), 1);
    }
    ~FakePlayers() { setenv("PATH", m_path.c_str(), 1); }

    void install(const std::string& name, const std::string& body)
    {
        const std::string file = m_bin + "/" + name;
        std::ofstream(file) << "#!/bin/sh\nPATH=/usr/bin:/bin\necho \"" << name << " $1\" >> " << log() << "\n"
                            << body << "\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    std::string log() const { return m_bin + "/log"; }
    std::vector<std::string> played() const
    {
        std::vector<std::string> lines;
        std::ifstream in(log());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // The log once it holds the count of lines, or as it stands after a few seconds.
    std::vector<std::string> playedWhen(size_t count) const
    {
        for (int i = 0; i < 300 && played().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return played();
    }

private:
    std::string m_bin;
    std::string m_path;
};

} // namespace

TEST(Sound, AnnouncementPlaysTheNativeFileWithoutWaitingAndLeavesAPlayingSoundAlone)
{
    TempInstall install;
    install.write("C:\\Stylara\\Announce.wav", "RIFF");
    install.write("C:\\Stylara\\Other.wav", "RIFF");
    const std::string native = install.native("C:\\Stylara\\Announce.wav");
    FakePlayers players(install);
    players.install("paplay", "sleep 2");
    players.install("aplay", "exit 0");

    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(win::PlaySoundA("C:\\Stylara\\Announce.wav", nullptr, announce));
    EXPECT_LT(timer.elapsed(), 1000) << "asynchronous: the call does not wait for the player";
    EXPECT_EQ(players.playedWhen(1), std::vector<std::string>{"paplay " + native}) << "paplay before aplay";

    EXPECT_FALSE(win::PlaySoundA("C:\\Stylara\\Other.wav", nullptr, announce)) << "a sound is still playing";
    // Without SND_NOSTOP the playing sound gives way to the new one.
    EXPECT_TRUE(win::PlaySoundA("C:\\Stylara\\Other.wav", nullptr, win::SND_ASYNC | win::SND_FILENAME));
    const std::vector<std::string> played = players.playedWhen(2);
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[1], "paplay " + install.native("C:\\Stylara\\Other.wav"));
    // Stop what plays, so the next test starts quiet.
    players.install("paplay", "exit 0");
    EXPECT_TRUE(win::PlaySoundA("C:\\Stylara\\Other.wav", nullptr, win::SND_SYNC | win::SND_FILENAME));
}

TEST(Sound, PlayerChoiceAndSilentCases)
{
    TempInstall install;
    install.write("C:\\Stylara\\Announce.wav", "RIFF");
    const std::string native = install.native("C:\\Stylara\\Announce.wav");
    FakePlayers players(install);

    EXPECT_FALSE(win::PlaySoundA("C:\\Stylara\\Announce.wav", nullptr, announce)) << "no player: silent";

    players.install("aplay", "exit 0");
    EXPECT_FALSE(win::PlaySoundA("C:\\Stylara\\Missing.wav", nullptr, announce));
    EXPECT_FALSE(win::PlaySoundA("C:\\Stylara", nullptr, announce)) << "a folder is no sound";
    EXPECT_FALSE(win::PlaySoundA("C:\\Stylara\\Announce.wav", nullptr, win::SND_ASYNC)) << "only files are known";
    EXPECT_TRUE(win::PlaySoundA("C:\\Stylara\\Announce.wav", nullptr, win::SND_SYNC | win::SND_FILENAME));
    EXPECT_EQ(players.played(), std::vector<std::string>{"aplay " + native}) << "aplay where paplay is missing";

    players.install("aplay", "exit 1");
    EXPECT_FALSE(win::PlaySoundA("C:\\Stylara\\Announce.wav", nullptr, win::SND_SYNC | win::SND_FILENAME))
        << "a player that fails";
}

TEST(Sound, RecorderTakesEveryCallAndPlaysNothing)
{
    TempInstall install;
    FakePlayers players(install);
    players.install("paplay", "exit 0");
    install.write("C:\\Stylara\\Announce.wav", "RIFF");
    {
        win::SoundRecorder recorder;
        EXPECT_TRUE(win::PlaySoundA("C:\\Stylara\\Announce.wav", nullptr, announce));
        EXPECT_TRUE(win::PlaySoundA("C:\\Stylara\\Missing.wav", nullptr, 0x20011));
        ASSERT_EQ(recorder.played().size(), 2u);
        EXPECT_EQ(recorder.played()[0].sound, "C:\\Stylara\\Announce.wav");
        EXPECT_EQ(recorder.played()[1].flags, 0x20011u);
    }
    EXPECT_TRUE(players.played().empty());
}
