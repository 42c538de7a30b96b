// The analyze-disc job: reads every audio track of the disc, judges it, stores its spectrogram and frequency
// profile, writes its report block, and at the end gives the disc verdict.
//
// The job runs on the analysis worker under the job lock. With `parallelTracks` above 1 (the command line's batches)
// several tracks are read and judged at once, each by its own detector with its own buffers; everything the user
// sees (rows, ISRC entries, report, disc verdict) is still produced in track order, so the outcome is the same as
// with one worker: the disc likelihoods are multiplied in track order.
#pragma once

#include "analysis/analysis_thread.h"
#include "analysis/disc_model.h"
#include "analysis/job_host.h"
#include "analysis/track_slots.h"
#include "platform/language.h"

namespace ossel {

inline constexpr char kInsufficientMemory[] = OSSEL_TEXT("Message", "INSUFFICIENT MEMORY AVAILABLE!");
// The display store's folder and the system's reason why the store could not be made or written.
inline constexpr char kCantStoreDisplayData[] = OSSEL_TEXT("Message", "can't store the display data in %s: %s");

// The frequency of each display bin, shared by every job and every track row for the life of the process.
const double* JobFrequencyAxis();

// Runs one whole job. `worker` supplies the job lock, the cancel event, currentTrack and readErrorTotal. With
// `slots`, every track is read under one of them, so that jobs of several discs together read no more tracks at
// once than there are slots.
void RunAnalyzeDiscJob(DiscModel& model, JobHost& host, AnalysisThread& worker, int parallelTracks = 1,
                       TrackSlots* slots = nullptr);

}  // namespace ossel
