#include "src/cli/AudiobookRunner.h"

#include "platform/com/strings.h"
#include "src/audiobook/Assembler.h"
#include "src/audiobook/PartsFolder.h"
#include "src/audiobook/SplitNames.h"
#include "src/audiobook/SubtitleFiles.h"
#include "src/cli/BookSelection.h"
#include "src/cli/ChildPool.h"
#include "src/cli/Console.h"
#include "src/cli/ProgressLine.h"
#include "src/cli/Signals.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <map>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A piece to make: its key and where it stands in the plan (a text said
// twice, as a repeated scene break, is made once).
struct PieceTask {
    std::string key;
    std::size_t words = 0;             // of every place it stands
    std::vector<std::size_t> chapters; // plan positions, once per place
    int pauseMs = 0;
    std::string name; // how messages name it
};

// The pieces a child makes one after the other: tasks [first, end).
struct PieceBatch {
    std::size_t first = 0, end = 0;
};

// A child makes a few pieces while many are left, saving the start of a
// process (the engines and the codec libraries) for each, and one piece each
// towards the end, so that the cores finish together.
constexpr std::size_t kMostPiecesPerChild = 8;

std::vector<PieceBatch> Batches(std::size_t pieces, int jobs) {
    std::vector<PieceBatch> batches;
    const std::size_t share = 4 * static_cast<std::size_t>(std::max(1, jobs));
    for (std::size_t first = 0; first < pieces;) {
        const std::size_t size =
            std::clamp<std::size_t>((pieces - first) / share, 1, kMostPiecesPerChild);
        batches.push_back({first, first + size});
        first += size;
    }
    return batches;
}

class PieceEvents : public ChildEvents {
public:
    PieceEvents(const std::string& name, const std::vector<PieceTask>& tasks,
                const std::vector<PieceBatch>& batches, const PartsFolder& parts,
                std::vector<std::size_t> missing, std::size_t totalWords, std::size_t doneWords,
                std::uint64_t bytes, Console& console)
        : m_name(name), m_tasks(tasks), m_batches(batches), m_parts(parts),
          m_missing(std::move(missing)), m_totalWords(totalWords), m_doneWords(doneWords),
          m_bytes(bytes), m_console(console), m_counted(tasks.size(), false) {
        for (const PieceTask& task : tasks)
            m_runWords += task.words;
    }

    bool NotStarted(std::size_t batch, const std::string& reason) override {
        Failed(m_tasks[m_batches[batch].first].name + ": cannot start a process for it: " + reason);
        return false;
    }
    bool Ended(std::size_t batch, int status, int interrupt) override {
        // The pieces the child finished count, whatever became of the rest.
        const PieceTask* lost = nullptr;
        for (std::size_t task = m_batches[batch].first; task < m_batches[batch].end; ++task) {
            ::unlink(m_parts.TextPath(m_tasks[task].key).c_str());
            if (!CountIfFinished(task) && !lost)
                lost = &m_tasks[task];
        }
        const bool exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if ((exited && !lost) || StoppedBy(status, interrupt))
            return true;
        // A child that failed has said why; one that died or lost its file has not.
        const std::string& name = (lost ? *lost : m_tasks[m_batches[batch].first]).name;
        if (WIFSIGNALED(status))
            Failed(name + ": its process was killed by signal " + std::to_string(WTERMSIG(status)));
        else if (exited)
            Failed(name + ": the piece was not written");
        m_failed = true;
        return false;
    }
    std::vector<std::string> ProgressLines(const std::vector<RunningChild>& running,
                                           Clock::duration elapsed) override {
        double runningWords = 0;
        for (const RunningChild& child : running) {
            // A child's share covers its whole batch, the pieces it finished too.
            double words = 0, finished = 0;
            for (std::size_t task = m_batches[child.task].first; task < m_batches[child.task].end;
                 ++task) {
                words += static_cast<double>(m_tasks[task].words);
                if (CountIfFinished(task))
                    finished += static_cast<double>(m_tasks[task].words);
            }
            runningWords +=
                std::max(0.0, child.progress.spokenFraction.value_or(0) * words - finished);
        }
        const double seconds = std::chrono::duration<double>(elapsed).count();
        const double share = (static_cast<double>(m_doneWords) + runningWords) /
                             static_cast<double>(std::max<std::size_t>(1, m_totalWords));
        const double run = (static_cast<double>(m_runDoneWords) + runningWords) /
                           static_cast<double>(std::max<std::size_t>(1, m_runWords));
        std::size_t chaptersDone = 0;
        for (std::size_t missing : m_missing)
            chaptersDone += missing == 0;
        std::string line = m_name + "  " + std::to_string(chaptersDone) + " of " +
                           std::to_string(m_missing.size()) + " chapters  " +
                           std::to_string(std::lround(share * 100)) + "%  " +
                           FormatDuration(seconds) + " elapsed";
        if (run > 0.01 && run < 1)
            line += "  " + FormatDuration(seconds * (1 - run) / run) + " left";
        // The finished pieces: a running one's speech is far larger than its piece will be.
        return {line + "  " + FormatSize(m_bytes)};
    }
    bool AnyFailed() const { return m_failed; }

private:
    // Whether the task's piece is there, counted as done the first time it is seen.
    bool CountIfFinished(std::size_t task) {
        if (m_counted[task])
            return true;
        const PieceTask& piece = m_tasks[task];
        if (!m_parts.HasPiece(piece.key))
            return false;
        m_counted[task] = true;
        for (std::size_t chapter : piece.chapters)
            --m_missing[chapter];
        m_doneWords += piece.words;
        m_runDoneWords += piece.words;
        m_bytes += m_parts.PieceSize(piece.key);
        return true;
    }

    void Failed(const std::string& message) {
        m_failed = true;
        m_console.Message(message);
    }

    const std::string& m_name;
    const std::vector<PieceTask>& m_tasks;
    const std::vector<PieceBatch>& m_batches;
    const PartsFolder& m_parts;
    std::vector<std::size_t> m_missing; // pieces still to make, per chapter
    std::size_t m_totalWords, m_doneWords, m_runWords = 0, m_runDoneWords = 0;
    std::uint64_t m_bytes;
    Console& m_console;
    std::vector<bool> m_counted; // per task
    bool m_failed = false;
};

AudiobookTags TagsOf(const Book& book, const std::string& stem) {
    AudiobookTags tags;
    tags.title = book.title.empty() ? stem : book.title;
    tags.authors = book.authors;
    tags.language = book.language;
    if (book.cover) {
        tags.coverBytes = book.cover->bytes;
        tags.coverMediaType = book.cover->mediaType;
    }
    return tags;
}

} // namespace

int RunAudiobook(const AudiobookRequest& request, Console& console, int signalDescriptor) {
    // FFmpeg's own lines are not for the user: a failure is told in our words.
    av_log_set_level(AV_LOG_QUIET);
    const std::string& name = request.name;
    const EncodingSettings& encoding = request.settings.encoding;
    const std::string extension = ExtensionOf(encoding.format);
    std::vector<PlannedChapter> plan = PlanBook(request.chapters, request.settings);
    std::erase_if(plan, [](const PlannedChapter& chapter) { return chapter.pieces.empty(); });
    if (plan.empty()) {
        console.Message(name + ": the document is empty; nothing to speak");
        return 1;
    }

    // Every file this run writes, refused at once if one is there already.
    std::vector<std::string> outputs;
    std::string playlist, partsPath = request.output + ".parts";
    if (request.split) {
        struct stat info {};
        if ((::mkdir(request.output.c_str(), 0777) != 0 && errno != EEXIST) ||
            ::stat(request.output.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            console.Message(name + ": cannot create the folder " + request.output + ": " +
                            std::strerror(errno == 0 || errno == EEXIST ? ENOTDIR : errno));
            return 1;
        }
        const std::string folder = request.output + (request.output.ends_with('/') ? "" : "/");
        for (std::size_t i = 0; i < plan.size(); ++i)
            outputs.push_back(folder + SplitFileName(i + 1, plan.size(), plan[i].title, extension));
        const std::string title = SafeFileTitle(request.book->title);
        playlist = folder + (title.empty() ? request.stem : title) + ".m3u8";
        partsPath = folder + (title.empty() ? request.stem : title) + ".parts";
        outputs.push_back(playlist);
    } else {
        outputs.push_back(request.output);
    }
    // Each audio file's subtitles, beside it.
    std::vector<std::string> subtitles;
    for (std::size_t i = 0; request.subtitles && i < (request.split ? plan.size() : 1); ++i)
        subtitles.push_back(SubtitlePath(outputs[i], *request.subtitles));
    for (const std::string& output : subtitles)
        outputs.push_back(output);
    for (const std::string& output : outputs)
        if (Exists(output) && !request.overwrite) {
            console.Message(name + ": " + output + " already exists; --overwrite replaces it");
            return 1;
        }

    const PartsFolder parts(partsPath, extension);
    if (std::string error = parts.Create(); !error.empty()) {
        console.Message(name + ": " + error);
        return 1;
    }

    // The pieces not finished by an earlier run, each text in a file for its child.
    std::vector<PieceTask> tasks;
    std::map<std::string, std::size_t> taskOfKey;
    std::vector<std::size_t> missing(plan.size(), 0);
    std::size_t totalWords = 0, doneWords = 0;
    std::uint64_t bytes = 0;
    for (std::size_t c = 0; c < plan.size(); ++c)
        for (const PlannedPiece& piece : plan[c].pieces) {
            const std::size_t words = WordCount(piece.text);
            totalWords += words;
            // A piece damaged since it was made (a disk error, a tool) is made again.
            if (parts.HasPiece(piece.key) && !taskOfKey.contains(piece.key))
                if (const std::string damage =
                        DamageOfPiece(parts.PiecePath(piece.key), encoding.format);
                    !damage.empty()) {
                    console.Message(name + ": " + damage + "; the piece is made again");
                    ::unlink(parts.PiecePath(piece.key).c_str());
                }
            // A piece made before its cues were kept, or whose cues are
            // damaged, is made again for subtitles to be timed by.
            if (request.subtitles && parts.HasPiece(piece.key) && !taskOfKey.contains(piece.key) &&
                !HasUsableCues(parts.PiecePath(piece.key), FromUtf8(piece.text), request.cueMarkup))
                ::unlink(parts.PiecePath(piece.key).c_str());
            if (parts.HasPiece(piece.key)) {
                doneWords += words;
                if (!taskOfKey.contains(piece.key))
                    bytes += parts.PieceSize(piece.key);
                taskOfKey.emplace(piece.key, SIZE_MAX);
                continue;
            }
            ++missing[c];
            auto [known, added] = taskOfKey.emplace(piece.key, tasks.size());
            if (!added) {
                tasks[known->second].words += words;
                tasks[known->second].chapters.push_back(c);
                continue;
            }
            // Written afresh by every run that makes the piece: no need to flush it.
            if (std::string error = WriteFile(parts.TextPath(piece.key), piece.text);
                !error.empty()) {
                console.Message(name + ": " + error);
                return 1;
            }
            tasks.push_back({piece.key,
                             words,
                             {c},
                             piece.pauseMs,
                             name + ", chapter " + std::to_string(plan[c].index + 1) +
                                 (plan[c].title.empty() ? "" : " (" + plan[c].title + ")")});
        }
    const std::vector<PieceBatch> batches = Batches(tasks.size(), request.jobs);
    std::vector<ChildTask> children;
    for (const PieceBatch& batch : batches) {
        std::vector<std::string> arguments = {"--make-piece", extension.substr(1) + ":" +
                                                                  std::to_string(encoding.kbps)};
        arguments.insert(arguments.end(), request.voiceArguments.begin(),
                         request.voiceArguments.end());
        arguments.push_back("--");
        for (std::size_t task = batch.first; task < batch.end; ++task) {
            const PieceTask& piece = tasks[task];
            for (const std::string& more :
                 {std::to_string(piece.pauseMs), parts.PiecePath(piece.key),
                  parts.TextPath(piece.key), piece.name})
                arguments.push_back(more);
        }
        children.push_back({tasks[batch.first].name, std::move(arguments)});
    }
    if (request.verbose)
        console.Message(name + ": " + std::to_string(tasks.size()) + " of " +
                        std::to_string(taskOfKey.size()) + " pieces to make, in " + parts.Path());

    PieceEvents events(name, tasks, batches, parts, missing, totalWords, doneWords, bytes, console);
    if (const int interrupted =
            RunChildren(children, request.jobs, console, signalDescriptor, events))
        return InterruptedStatus(interrupted);
    if (events.AnyFailed())
        return 1;
    for (const PlannedChapter& chapter : plan)
        for (const PlannedPiece& piece : chapter.pieces)
            if (request.subtitles && !HasUsableCues(parts.PiecePath(piece.key),
                                                    FromUtf8(piece.text), request.cueMarkup)) {
                console.Message(name + ": the voice did not say where the sentences of chapter " +
                                std::to_string(chapter.index + 1) +
                                " begin; its subtitles cannot be timed");
                return 1;
            }

    // All pieces are there: the book, or a file per chapter and the playlist.
    AudiobookTags tags = TagsOf(*request.book, request.stem);
    std::vector<AudiobookChapter> chapters;
    for (const PlannedChapter& chapter : plan) {
        chapters.push_back({chapter.title, {}});
        for (const PlannedPiece& piece : chapter.pieces)
            chapters.back().piecePaths.push_back(parts.PiecePath(piece.key));
    }
    // Each file is written whole under a temporary name in the parts folder
    // (on the same file system, and cleaned up with it should this process be
    // killed), then renamed into place.
    auto assemble = [&](const std::vector<AudiobookChapter>& content, const std::string& path,
                        SubtitleSource& timing) -> std::string {
        const std::string temporary =
            TemporaryPath(parts.PiecePath(PieceKey(path, request.settings)));
        console.Progress({name + "  writing " + path});
        // A long book takes a while to join and the assembly cannot be
        // stopped: on a signal its file is removed from under it and the
        // process leaves without it, the pieces kept.
        AssemblyResult result;
        std::atomic<bool> done = false;
        std::thread worker([&] {
            result = AssembleAudiobook(content, tags, encoding, temporary);
            done = true;
        });
        while (!done) {
            pollfd signal{signalDescriptor, POLLIN, 0};
            ::poll(&signal, 1, 50);
            if (const std::vector<int> signals = ReadSignals(signalDescriptor); !signals.empty()) {
                ::unlink(temporary.c_str());
                console.Progress({});
                std::fflush(nullptr);
                ::_exit(InterruptedStatus(signals.front()));
            }
        }
        worker.join();
        for (const std::string& warning : result.warnings)
            console.Message(name + ": " + warning);
        if (!result.error.empty()) {
            ::unlink(temporary.c_str());
            // The user knows the file by its own name, not the temporary's.
            std::string error = result.error;
            for (std::size_t at; (at = error.find(temporary)) != std::string::npos;)
                error.replace(at, temporary.size(), path);
            return error;
        }
        timing.seconds = result.seconds;
        timing.pieceStarts = result.pieceStarts;
        for (const AudiobookChapter& chapter : content)
            timing.piecePaths.insert(timing.piecePaths.end(), chapter.piecePaths.begin(),
                                     chapter.piecePaths.end());
        return CommitFile(temporary, path);
    };
    // A run that fails takes back the chapters' files it wrote, so that the
    // next one (which refuses existing outputs) can write them again.
    const auto failed = [&](std::size_t written, std::size_t subtitlesWritten,
                            const std::string& error) {
        console.Progress({});
        console.Message(name + ": " + error);
        for (std::size_t i = 0; i < written; ++i)
            ::unlink(outputs[i].c_str());
        for (std::size_t i = 0; i < std::min(subtitlesWritten, subtitles.size()); ++i)
            ::unlink(subtitles[i].c_str());
        return 1;
    };
    std::string authors;
    for (const std::string& author : tags.authors)
        authors += (authors.empty() ? "" : ", ") + author;
    std::vector<PlaylistEntry> entries;
    for (std::size_t i = 0; i < (request.split ? chapters.size() : 1); ++i) {
        if (request.split) {
            tags.track = static_cast<int>(i + 1);
            tags.trackCount = static_cast<int>(chapters.size());
            tags.trackTitle = chapters[i].title;
        }
        SubtitleSource timing;
        const std::string error = request.split ? assemble({chapters[i]}, outputs[i], timing)
                                                : assemble(chapters, outputs[i], timing);
        if (!error.empty())
            return failed(i, i, error);
        // Written once its audio is in place; without them the audio goes too.
        if (request.subtitles)
            if (const std::string subtitleError = WriteSubtitleFile(
                    subtitles[i], *request.subtitles, timing,
                    {request.split ? chapters[i].title : tags.title, authors, tags.title});
                !subtitleError.empty())
                return failed(i + 1, i, subtitleError);
        const std::string file = outputs[i].substr(outputs[i].rfind('/') + 1);
        entries.push_back({file, chapters[i].title, timing.seconds});
    }
    console.Progress({});
    if (request.split)
        if (std::string error = WriteFileWhole(playlist, Playlist(entries)); !error.empty())
            return failed(chapters.size(), subtitles.size(), error);
    if (!request.keepParts)
        parts.Remove();
    if (request.verbose)
        console.Message(name + ": written to " + request.output);
    return 0;
}
