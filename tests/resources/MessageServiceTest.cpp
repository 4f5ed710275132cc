#include "src/resources/MessageService.h"

#include "src/resources/StringTable.h"
#include "src/resources/UserMessage.h"
#include "src/resources/resource.h"
#include "tests/fakes/RecordingMessageService.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

TEST(MessageService, BoxesCarryTheTitleAndTheDefaultIcon) {
    RecordingMessageService messages;
    messages.SetAnswer(IDYES);
    EXPECT_EQ(AfxMessageBox(IDS_CANCEL_PROCESSING, MB_YESNO | MB_DEFBUTTON2), IDYES);
    AfxMessageBox(IDS_SELECT_VOICE, MB_OK | MB_ICONINFORMATION);
    AfxMessageBox(IDS_WORKER_THREAD);
    ShowMessage({IDS_WAV_CORRUPT, MB_ICONERROR});
    auto boxes = messages.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].caption, u"Vocalith");
    EXPECT_EQ(boxes[0].text, u"Do you want to cancel processing? ");
    EXPECT_EQ(boxes[0].type, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION);
    EXPECT_EQ(boxes[1].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(boxes[2].type, MB_OK | MB_ICONWARNING);
    // A returned message reaches the service with its id and its own icon.
    EXPECT_EQ(messages.Ids(), (std::vector<UINT>{IDS_CANCEL_PROCESSING, IDS_SELECT_VOICE,
                                                 IDS_WORKER_THREAD, IDS_WAV_CORRUPT}));
    EXPECT_EQ(boxes[3].text, LoadResString(IDS_WAV_CORRUPT));
    EXPECT_EQ(boxes[3].type, MB_OK | MB_ICONERROR);
}

TEST(MessageService, WithoutAUserInterfaceNobodyAgreesToAnything) {
    ASSERT_EQ(GetMessageService(), nullptr);
    EXPECT_EQ(AfxMessageBox(IDS_CANCEL_PROCESSING, MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox(IDS_WORKER_THREAD), static_cast<int>(IDOK));
}

// A box that stays open until the test closes it, as a user would.
class HeldBox : public MessageService {
public:
    int ShowMessageBox(UINT, const std::u16string&, const std::u16string&, UINT) override {
        std::unique_lock lock(m_mutex);
        m_shown = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_closed; });
        return IDOK;
    }
    void OpenUrl(const std::u16string&) override {}
    void WaitUntilShown() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_shown; });
    }
    void Close() {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }
    bool IsClosed() {
        std::lock_guard lock(m_mutex);
        return m_closed;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_shown = false;
    bool m_closed = false;
};

TEST(MessageService, RemovingTheServiceWaitsForTheBoxesStillShownThroughIt) {
    HeldBox box;
    SetMessageService(&box);
    std::thread worker([] { AfxMessageBox(IDS_OUT_OF_MEMORY, MB_ICONERROR); });
    box.WaitUntilShown();
    std::atomic<bool> closedWhenRemoved{false};
    std::thread ui([&] {
        SetMessageService(nullptr);
        closedWhenRemoved = box.IsClosed();
    });
    // Once the service is gone from view the UI thread is inside the removal;
    // closing the box then is what may let the removal return.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (GetMessageService() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    box.Close();
    ui.join();
    worker.join();
    EXPECT_TRUE(closedWhenRemoved);
    EXPECT_EQ(GetMessageService(), nullptr);
}

TEST(StringTable, TextsStandExactlyAndUnknownIdsAreEmpty) {
    EXPECT_EQ(LoadResString(IDS_SP_VOICE), u"Cannot create instance of SpVoice object. ");
    EXPECT_EQ(LoadResString(IDS_MP3_QUALITY_FIRST), u"0  (Highest)");
    EXPECT_EQ(LoadResString(IDS_MP3_BITRATE_FIRST + 9), u"160 kbps");
    EXPECT_EQ(LoadResString(ID_EDIT_COPY), u"Copy the selection and put it on the Clipboard\nCopy");
    EXPECT_TRUE(LoadResString(140).empty());
}

} // namespace
