// Web Audio for the browser backend.
#pragma once

// Browsers start sound only from a user's gesture: called from the key and
// button callbacks, it creates or resumes the audio context there.
extern "C" void UnlockWebAudio();
