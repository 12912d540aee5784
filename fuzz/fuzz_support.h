// Shared pieces of the fuzz targets: a scratch game folder, one headless game
// started per process, and the reset that returns it to its start state so that
// every execution sees the same world whatever the previous one did.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A fresh folder of its own, in memory (/dev/shm) when the host has it.
std::string MakeScratchDir(const char* tag);
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);

struct FileSegment {
    uint64_t offset;
    const uint8_t* data;
    size_t size;
};
// Writes a file of exactly `size` bytes holding the segments at their offsets
// (later ones win where they overlap, anything past `size` is cut off); the gaps
// are holes that read as zeros and cost no writing.
bool WriteSegmentedFile(const std::string& path, uint64_t size, const std::vector<FileSegment>& segments);

// The game works in its own folder, so the targets leave the one they were
// started from: the arguments of the fuzzer that name files or folders are made
// absolute first, and crash files go to the starting folder unless told
// otherwise. Call from LLVMFuzzerInitialize, before anything changes folder.
void KeepFuzzerPathsAbsolute(int* argc, char*** argv);
// Enters a scratch folder holding an empty map folder and (when the build's game
// folder has them) links to the art and sound, starts the game on the headless
// backend and records its start state.
void StartFuzzGame(const char* tag);
// Puts back everything that play, the console and a load change: grids, units,
// effects, both pathfinders, the shell and console globals, the window, the
// input flags, the virtual clock and the random sequence.
void ResetFuzzGame();
// A fingerprint of what play changes: grids, units, effects, routes, view,
// random state and the last presented picture.
uint64_t GameFingerprint();
// Runs the target on `reference`, then on `other`, then on `reference` again,
// and stops the process when the two reference runs end differently: the
// reset would then leave state behind and executions would depend on the ones
// before them, which makes found crashes unrepeatable. Call at initialisation.
void CheckResetIsComplete(int (*test_one_input)(const uint8_t*, size_t), const std::vector<uint8_t>& reference,
                          const std::vector<uint8_t>& other);
// Runs up to `frames` frames the way the replay runner does, stopping early
// when the game asks to quit. Events queued with HeadlessQueue arrive in them.
void RunFuzzFrames(int32_t frames);
