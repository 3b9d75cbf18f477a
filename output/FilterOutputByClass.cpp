#include "output/FilterOutputByClass.h"

TVelSyncFilterOutputByClass::TVelSyncFilterOutputByClass(std::unique_ptr<VelSyncBaseOutput> target,
                                                         FilterSet suppressed)
    : TGenericFilteredOutput(std::move(target)), Suppressed(suppressed) {}

bool TVelSyncFilterOutputByClass::Accepts(MessageClass cls) {
    if (IsDetailClass(cls)) return (Suppressed & fsDetails) == 0;
    if (IsActionClass(cls)) return (Suppressed & fsActions) == 0;
    return true;
}

bool TVelSyncFilterOutputByClass::PassesProgress() {
    return (Suppressed & fsProgress) == 0;
}
