// Every call of a Write job fails in turn, under the real runtimes: flite and
// espeak-ng voices, WAV, MP3 (the real liblame_enc.so) and WMA (FFmpeg). Each
// case ends with at most one message; a job that reports a failure leaves none
// of its files, one that reports none leaves a complete file; a user's files
// are never touched, and the next job succeeds.

#include "platform/wmf/wmsdk.h"
#include "src/audio/Mp3Encoder.h"
#include "src/speech/VoiceCatalogue.h"
#include "tests/fakes/FailingWmaWriter.h"
#include "tests/fakes/FakeLameEnc.h"
#include "tests/jobs/JobTestSupport.h"
#include "tests/jobs/SystemCallFaults.h"
#include "tests/support/DecodedAudio.h"

extern "C" {
#include <libavutil/log.h>
}
#include <iomanip>
#include <iostream>
#include <map>
#include <set>

namespace {

// A call to make fail: a file-system call of a kind, or a runtime call by name.
struct Fault {
    std::string name;
    std::function<void(int)> arm; // the index-th call fails; -1: none
    std::function<int()> count;   // calls seen since the last arm
};

struct Tally {
    int cases = 0, failed = 0, unaffected = 0;
    std::set<UINT> messages;
};

class FaultInjectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterSapi4Runtime();
        RegisterSapi5Runtime();
        RegisterWmfRuntime();
    }
    void SetUp() override {
        av_log_set_level(AV_LOG_QUIET); // damaged files are expected here
        FakeLame::Reset({.real = true});
        Mp3Encoder::SetLibraryPath(FAKE_LAME_ENC);
        control = std::make_unique<JobControl>(host, std::make_unique<Sapi4Engine>(),
                                               std::make_unique<Sapi5Engine>());
        control->CreateStopEvent();
        host.editorText = u"Nothing lost, nothing half-written.";
        WriteAll(folder / "notes.txt", "the user's notes");
    }
    void TearDown() override {
        control->EndJob();
        control->CloseStopEvent();
        Mp3Encoder::SetLibraryPath("");
    }

    std::vector<Fault> Faults(OutputKind kind) {
        std::vector<Fault> faults;
        for (int k = 0; k < static_cast<int>(FsCall::Count); ++k) {
            const auto call = static_cast<FsCall>(k);
            faults.push_back(
                {FsCallName(call),
                 [this, call](int i) { SystemCallFaults::Arm(folder.Path(), call, i); },
                 [k] { return SystemCallFaults::Counts()[k]; }});
        }
        if (kind == OutputKind::Mp3)
            for (const char* call : {"beInitStream", "beEncodeChunk", "beDeinitStream",
                                     "beCloseStream", "beWriteVBRHeader"})
                faults.push_back({call,
                                  [call](int i) {
                                      FakeLame::Reset({.real = true,
                                                       .failCall = i < 0 ? "" : call,
                                                       .failIndex = i});
                                  },
                                  [call] { return FakeLame::Count(call); }});
        if (kind == OutputKind::Wma)
            for (const char* call : {"SetOutputFilename", "BeginWriting", "AllocateSample",
                                     "WriteSample", "EndWriting"})
                faults.push_back({call, [this, call](int i) { writer.Arm(call, i); },
                                  [this, call] { return writer.Count(call); }});
        return faults;
    }

    // The runtime shims keep counting (their failure is past); the file
    // calls stop being watched.
    void Disarm() { SystemCallFaults::Disarm(); }

    // Runs one Write job; the user's files must come out as they went in.
    std::vector<UINT> RunJob(int voice, OutputKind kind) {
        messages.Clear();
        host.voicePosition = voice;
        host.ChooseOutput(Output(kind), kind);
        host.dialogChoice.mp3Kbps = 64;
        host.dialogChoice.mp3Quality = 5;
        host.dialogChoice.mp3Vbr = TRUE;
        control->StartJob(false, false);
        EXPECT_TRUE(Eventually([&] { return !control->IsJobRunning(); }));
        Disarm();
        EXPECT_EQ(ReadAll(folder / "notes.txt"), "the user's notes");
        if (kind != OutputKind::Wav) {
            EXPECT_EQ(ReadAll(folder / (Name(kind) + ".wav")), "the user's own WAV");
        }
        return messages.Ids();
    }

    std::string Name(OutputKind kind) {
        return kind == OutputKind::Wav   ? "talk.wav"
               : kind == OutputKind::Mp3 ? "talk.mp3"
                                         : "talk.wma";
    }
    std::u16string Output(OutputKind kind) { return folder.U16(Name(kind)); }

    // Seconds of audio in the output, 0 when there is none or it is damaged.
    double OutputSeconds(OutputKind kind) {
        const DecodedAudio audio = DecodeAudioFile((folder / Name(kind)).string());
        return audio.opened && audio.decodeErrors == 0 ? audio.seconds : 0;
    }

    std::set<std::string> Files() {
        auto names = folder.Files();
        return {names.begin(), names.end()};
    }

    ComApartment com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeJobHost host;
    FailingWmaWriter writer;
    std::unique_ptr<JobControl> control;
};

TEST_F(FaultInjectionTest, EveryCallOfAWriteJobFailsInTurn) {
    const VoiceCatalogue catalogue(control->Sapi4(), control->Sapi5());
    ASSERT_GT(catalogue.Sapi4Count(), 0u);
    ASSERT_GT(catalogue.Sapi5Count(), 0u);
    const struct {
        const char* name;
        int position;
    } voices[] = {{"flite", 0}, {"espeak-ng", static_cast<int>(catalogue.Sapi4Count())}};
    std::map<std::string, Tally> table;

    for (const auto& voice : voices) {
        for (OutputKind kind : {OutputKind::Wav, OutputKind::Mp3, OutputKind::Wma}) {
            const std::string output = Name(kind);
            if (kind != OutputKind::Wav)
                WriteAll(folder / (output + ".wav"), "the user's own WAV");
            const std::set<std::string> userFiles = Files();
            // A clean run counts the calls of every kind; then each fails in turn.
            const std::vector<Fault> faults = Faults(kind);
            for (const Fault& fault : faults)
                fault.arm(-1);
            SystemCallFaults::Arm(folder.Path());
            ASSERT_TRUE(RunJob(voice.position, kind).empty());
            std::vector<int> calls;
            for (const Fault& fault : faults)
                calls.push_back(fault.count());
            const double seconds = OutputSeconds(kind);
            ASSERT_GT(seconds, 0.5) << voice.name << " " << output;
            std::filesystem::remove(folder / output);

            for (std::size_t f = 0; f < faults.size(); ++f) {
                const Fault& fault = faults[f];
                Tally& tally = table[std::string(voice.name) + " " + output + " " + fault.name];
                for (int i = 0; i < calls[f]; ++i) {
                    SCOPED_TRACE(testing::Message()
                                 << voice.name << " " << output << " " << fault.name << " #" << i);
                    fault.arm(i);
                    const std::vector<UINT> ids = RunJob(voice.position, kind);
                    ++tally.cases;
                    ASSERT_LE(ids.size(), 1u) << "one message at most";
                    if (ids.empty()) {
                        // Nothing was lost: the file is whole.
                        EXPECT_NEAR(OutputSeconds(kind), seconds, 0.05);
                        ++tally.unaffected;
                    } else {
                        EXPECT_EQ(Files(), userFiles) << "only the user's files stay";
                        tally.messages.insert(ids[0]);
                        ++tally.failed;
                    }
                    std::filesystem::remove(folder / output);
                    // The next job succeeds.
                    ASSERT_TRUE(RunJob(voice.position, kind).empty());
                    EXPECT_NEAR(OutputSeconds(kind), seconds, 0.05);
                    std::filesystem::remove(folder / output);
                }
            }
            std::filesystem::remove(folder / (output + ".wav"));
        }
    }

    std::cout << std::left << std::setw(44) << "case"
              << " calls failed  ok  messages\n";
    for (const auto& [name, tally] : table) {
        std::cout << std::setw(44) << name << std::right << std::setw(6) << tally.cases
                  << std::setw(7) << tally.failed << std::setw(4) << tally.unaffected << "  ";
        for (UINT id : tally.messages)
            std::cout << id << " ";
        std::cout << std::left << "\n";
    }
}

} // namespace
