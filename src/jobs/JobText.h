#pragma once
// The text of a job as the window hands it over. Taking it must cost the
// user-interface thread next to nothing on the largest text, so the window
// keeps it in its own form and the worker turns it into the engine's text.

#include <memory>
#include <string>

class JobText {
public:
    virtual ~JobText() = default;
    virtual bool IsEmpty() const = 0;
    // Appends the plain text; called on the worker thread, which then owns
    // the only reference.
    virtual void AppendTo(std::u16string& out) const = 0;
};

// A text already in the engine's form.
class StringJobText final : public JobText {
public:
    explicit StringJobText(std::u16string text) : m_text(std::move(text)) {}
    bool IsEmpty() const override { return m_text.empty(); }
    void AppendTo(std::u16string& out) const override { out += m_text; }

private:
    std::u16string m_text;
};
