#pragma once

#include "batch/BatchRuns.h"

namespace tarvex {

// Marks a run as active and disables the controls that would change what it reads; enables them
// again however the run ends, keeping Decrypt disabled once it is locked.
class BatchRuns::RunGuard {
public:
    explicit RunGuard(BatchRuns& runs) : runs_(runs) {
        runs_.running_ = true;
        runs_.platform_.setRunControlsEnabled(false);
        // No output may take the place of a file of the selection, whatever links lead to it.
        runs_.selection_ = runs_.files_.identify(runs_.state_.selectedFiles);
    }
    ~RunGuard() {
        // A run that ends early may have named a file it did not come to.
        runs_.files_.stopReadingAhead();
        // Nothing of the run is kept: its outputs are forgotten (its keys go with its command).
        runs_.outputs_.clear();
        runs_.leftOut_.clear();
        runs_.renamed_.clear();
        runs_.selection_.clear();
        runs_.running_ = false;
        runs_.platform_.setRunControlsEnabled(true);
        if (runs_.decryptLocked_) {
            runs_.platform_.setDecryptEnabled(false);
        }
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    BatchRuns& runs_;
};

} // namespace tarvex
