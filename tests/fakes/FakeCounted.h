#pragma once
// The base of a fake runtime's objects: counts them in the state they share,
// so that a test sees an object the program failed to release.

#include <memory>

template <class State> class FakeCounted {
public:
    explicit FakeCounted(std::shared_ptr<State> state) : m_state(std::move(state)) {
        ++m_state->liveObjects;
    }
    ~FakeCounted() { --m_state->liveObjects; }
    FakeCounted(const FakeCounted&) = delete;
    FakeCounted& operator=(const FakeCounted&) = delete;

protected:
    std::shared_ptr<State> m_state;
};
