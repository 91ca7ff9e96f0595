#pragma once
// Event sounds. Each event ("start", "reminders", "click") names a wave file in the "sounds" group;
// playing is asynchronous through the desktop's event-sound service and never falls back to a
// default sound, so a missing file, an empty setting or a machine without a sound service is
// simply silent.
#include <string>

namespace zc {

// Plays the wave file stored for the event when its text is longer than one character.
void playSound(const std::string& event);

// Plays one wave file by path or bare name without waiting for it.
void playWaveFile(const std::string& file);

// Where a stored sound name points: a name with a folder is taken as it is; a bare name such as
// "Notify.wav" is looked up in the installed sounds folder, beside the program, and then in the
// source tree's resources (a build that was never installed). Empty when no such file exists.
std::string resolveSoundFile(const std::string& file);

} // namespace zc
