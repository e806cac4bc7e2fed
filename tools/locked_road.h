// A road run under the lock on the file it replaces, as every run that writes runs: the
// lock's answer is the road's refusal when the file stayed busy all the wait or no lock
// file could be made; a road that runs out of memory is refused as such.
#pragma once

#include <new>
#include <string>

#include "base/file_lock.h"
#include "scene/scene_refusal.h"

namespace tool {

// `Report` has outcome, file and error; `road()` answers one.
template <typename Report, typename Road>
Report runLocked(tessaryn::LockOutcome locked, const tessaryn::FileLock& lock,
                 const std::string& replaced, Road road) {
    Report report;
    if (locked == tessaryn::LockOutcome::Busy) {
        report.outcome = tessaryn::SceneRefusal::Busy;
        report.file = replaced;
    } else if (locked == tessaryn::LockOutcome::Failed) {
        report.outcome = tessaryn::SceneRefusal::Unwritable;
        report.file = lock.lockPath();
        report.error = lock.error();
    } else {
        try {
            report = road();
        } catch (const std::bad_alloc&) {
            report = Report();
            report.outcome = tessaryn::SceneRefusal::OutOfMemory;
        }
    }
    return report;
}

}  // namespace tool
