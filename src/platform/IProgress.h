#pragma once

#include <cstdint>

namespace dovrex {

// Progress of a long operation: the busy command's progress bar, which also lets the
// window process pending events.
class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void SetProgressButton(int32_t maxValue, int32_t currentValue) = 0;
};

class NullProgress final : public IProgress {
public:
    void SetProgressButton(int32_t, int32_t) override {}
};

} // namespace dovrex
