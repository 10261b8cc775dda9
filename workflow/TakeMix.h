#pragma once
// The mix of the take in the temp folder, as the preview and the save build
// it: voice and accompaniment when an accompaniment was chosen in this run;
// otherwise the voice alone, whatever bgsound.wav an earlier run left there
// (the take never heard it, and its format is not the voice's).

#include "base/Result.h"
#include "workflow/Session.h"

// Rebuilds mix.wav with the session's mix settings, over the accompaniment
// in the key the take was sung in.
Status MixDownTake(Session& session);

// Whether mix.wav was built with the settings now in force.
bool MixIsCurrent(const Session& session);
