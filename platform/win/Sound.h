#pragma once

#include <string>
#include <vector>

namespace win {

enum : unsigned {
    SND_SYNC = 0x0,
    SND_ASYNC = 0x1,
    SND_NOSTOP = 0x10,
    SND_FILENAME = 0x20000,
};

// PlaySoundA for a wave file named by a Windows path (SND_FILENAME): played by paplay, or by aplay
// where paplay is missing, found on the PATH; with neither the call is silent. SND_ASYNC returns at
// once while the player runs; SND_NOSTOP leaves a sound that is still playing alone and answers
// false. True when a player was started (with SND_SYNC: and ended well). A missing file plays
// nothing: no default system sound stands in for it here.
int PlaySoundA(const char* sound, void* module, unsigned flags);

// While it lives, nothing is played: every call is recorded and answered true.
class SoundRecorder {
public:
    struct Play {
        std::string sound; // the path as given
        unsigned flags = 0;
    };

    SoundRecorder();
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    const std::vector<Play>& played() const { return m_played; }

private:
    friend int PlaySoundA(const char*, void*, unsigned);

    std::vector<Play> m_played;
    SoundRecorder* m_previous;
};

} // namespace win
