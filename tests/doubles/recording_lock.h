#pragma once
// The command list lock for host tests: counts what is asked of it, can
// refuse, and fails the test when it is taken twice without a release or
// released without being held (a real mutex would hide both).

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "shared/platform.h"

namespace ambrel::testing {

class RecordingLock final : public ICommandListLock {
public:
    bool Acquire(std::uint32_t timeoutMs) override {
        LastTimeoutMs = timeoutMs;
        if (Refuse) return false;
        if (m_held) ADD_FAILURE() << "the command list lock is taken again before its release";
        m_held = true;
        ++Acquisitions;
        return true;
    }
    void Release() override {
        if (!m_held) ADD_FAILURE() << "the command list lock is released without being held";
        if (OnRelease) OnRelease();
        m_held = false;
        ++Releases;
    }
    bool Held() const { return m_held; }

    bool Refuse = false;
    int Acquisitions = 0, Releases = 0;
    std::uint32_t LastTimeoutMs = 0;
    // Called just before the release: what the holder did is visible.
    std::function<void()> OnRelease;

private:
    bool m_held = false;
};

}  // namespace ambrel::testing
