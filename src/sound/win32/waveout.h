// The built-in mixer's output: the sound events' back-end when the sound
// library is not there.
//
// StartBuiltInSound starts one output thread and returns at once, so the first
// frame does not wait for it. The thread decodes the sixteen samples from the
// "OGG" resources, opens the default waveOut device (44100 Hz, 16-bit stereo)
// and keeps four buffers of 441 frames (10 ms) queued, refilling each as the
// device returns it; an event is heard at most 50 ms after it was mixed in.
// The thread decodes at normal priority and mixes at time-critical priority,
// since the process may run at idle priority. Without a device it ends and everything stays silent; with the
// KVS_SOUND_WAV capture (host/diagnostics.h) it then mixes in step with the
// clock instead, and in both cases appends every mixed buffer to the file.
//
// Shared between the main thread and the output thread, under one critical
// section: the mixer (sound/mixer.h) and the ready flag. The main thread holds
// it for each event, the output thread for each buffer it mixes (tens of
// microseconds). The decoded samples are written by the output thread before
// it sets the ready flag and only read afterwards; the device, its buffers and
// the capture file belong to the output thread alone. Events that arrive
// before the thread is ready are held (sound/held_events.h, under the same lock)
// and played the moment it is.
#pragma once

struct SoundDevice;

// Starts the output thread; the back-end to publish, or null when the thread
// cannot be started.
const SoundDevice* StartBuiltInSound();
// Stops the thread (which closes the device and the capture) and frees the
// samples; nothing when it is not running.
void StopBuiltInSound();
