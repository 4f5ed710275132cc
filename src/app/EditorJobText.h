#pragma once
// The editor's text handed to a job in the document's own form: taking it
// costs the UI thread one copy of the characters, and the worker turns the
// document's separators into plain text as it builds the engine's text.

#include "src/jobs/JobText.h"

#include <QString>

class EditorJobText final : public JobText {
public:
    // `raw` as QTextDocument::toRawText or QTextCursor::selectedText give it.
    explicit EditorJobText(QString raw) : m_raw(std::move(raw)) {}
    bool IsEmpty() const override { return m_raw.isEmpty(); }
    void AppendTo(std::u16string& out) const override;

private:
    QString m_raw;
};
