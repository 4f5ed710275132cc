#pragma once
// A message for the user, as a value. Code below the user interface returns
// the message it would show instead of showing it; the boundary that owns the
// work (a worker thread, the frame) shows it once, through ShowMessage.

#include "src/resources/MessageService.h"

#include <optional>
#include <utility>
#include <variant>

struct UserMessage {
    UINT id = 0;       // string-table id; 0 for a failure that shows no box
    UINT type = MB_OK; // box type; without an icon the box gets the default one
};

// The value of an operation, or the message that says why there is none.
template <class T = void> class Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(UserMessage message) : m_state(message) {}

    explicit operator bool() const { return m_state.index() == 0; }
    T& operator*() { return std::get<0>(m_state); }
    const T& operator*() const { return std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    // Only on failure.
    const UserMessage& Message() const { return std::get<1>(m_state); }

private:
    std::variant<T, UserMessage> m_state;
};

// Success, or the message of a failure.
template <> class Result<void> {
public:
    Result() = default;
    Result(UserMessage message) : m_message(message) {}

    explicit operator bool() const { return !m_message; }
    // Only on failure.
    const UserMessage& Message() const { return *m_message; }

private:
    std::optional<UserMessage> m_message;
};
