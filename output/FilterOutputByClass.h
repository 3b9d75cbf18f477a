#pragma once
// The verbosity filter: suppresses the action group, the detail group and the
// progress, each by its bit in Suppressed. Warnings, errors and classes outside
// every group always pass. Owns its target like TGenericFilteredOutput.

#include <cstdint>
#include <memory>

#include "output/GenericFilteredOutput.h"

enum FilterGroup : uint8_t {
    fsActions = 1,   // the action group (everything copied, created or deleted)
    fsDetails = 2,   // the detail group
    fsProgress = 4,  // ShowProgress
};
using FilterSet = uint8_t;

class TVelSyncFilterOutputByClass : public TGenericFilteredOutput {
public:
    TVelSyncFilterOutputByClass(std::unique_ptr<VelSyncBaseOutput> target, FilterSet suppressed);

    bool Accepts(MessageClass cls) override;
    bool PassesProgress() override;

    void SetSuppressed(FilterSet suppressed) { Suppressed = suppressed; }
    void Unsuppress(FilterSet groups) { Suppressed = FilterSet(Suppressed & ~groups); }

    FilterSet Suppressed;
};
