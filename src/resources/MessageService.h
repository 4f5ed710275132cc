#pragma once
// Message boxes and web pages reach the user interface through one service,
// which the UI installs at start-up and tests replace. A box raised on a
// worker thread is shown on the UI thread while the worker waits for the answer.

#include "platform/com/types.h"

#include <string>

inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr UINT MB_ICONMASK = 0xF0;
inline constexpr UINT MB_TYPEMASK = 0xF;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct UserMessage;

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows a modal box; gives the button pressed (IDOK, IDYES, IDNO). `id` is
    // the string-table id of `text`, 0 for a text from elsewhere.
    virtual int ShowMessageBox(UINT id, const std::u16string& text, const std::u16string& caption,
                               UINT type) = 0;
    // Asks the desktop to open the address ("open" verb); the outcome is ignored.
    virtual void OpenUrl(const std::u16string& url) = 0;
};

// The service in use; nullptr before the UI installs one. Replacing it waits
// until no box is still being shown through the old one: a service that can
// no longer show boxes must first make its waiting callers return.
void SetMessageService(MessageService* service);
MessageService* GetMessageService();

// A box with the application title as caption. Without an icon in `type`, a
// box with only OK gets the warning icon and a Yes/No box the question icon.
int AfxMessageBox(const std::u16string& text, UINT type = MB_OK);
int AfxMessageBox(UINT stringId, UINT type = MB_OK);
// The box of a message that an operation returned.
int ShowMessage(const UserMessage& message);
