#pragma once
// Preview.dll: plays an input (a media file, or a DVD title's "vts://" input text) into a window by
// decoding it with ffmpeg, and calls a position callback as it plays. Every export uses the plain C
// calling convention and runs on the GUI thread.
#include <cstdint>

extern "C" {

// Makes the player's video window: a child of `window` at (0, 0), width x height pixels.
void InitPreviewWindow(std::uintptr_t window, int width, int height);
// The function called with the position in seconds for every frame shown.
void SetEventFuntion(void (*callback)(double position));
// Plays the input and returns when playback has stopped: at the end, after Stop, or when the input
// cannot be played (then nonzero). The GUI message loop keeps running meanwhile.
int Play(const char *input);
// Holds playback; the next Pause goes on.
void Pause();
// Makes a running Play return.
void Stop();
// Moves playback to that many seconds from the start; before Play, where the next Play begins.
void Seek(int seconds);
// Removes the video window.
void DestroyPreviewWindow();
}
