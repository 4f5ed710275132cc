#include "src/cli/Usage.h"

const char* const kUsageText = R"(Usage: vocalith-cli [OPTION]... INPUT...
Speak documents and books, or write them to WAV, MP3 or WMA files or to
audiobooks (M4B, Opus, FLAC, MP3, WAV) with chapters, with the voices of
Vocalith. INPUT is a file or - for standard input: EPUB (2 and 3),
PDF (with a text layer), HTML or XHTML, Markdown, ODT, DOCX, FB2, or plain
text (UTF-8, UTF-16 with a byte-order mark, or Latin-1). The format is told
from the content; the extension only helps to tell Markdown from plain text.

Listing:
      --list-voices        the voices: index, name, language, controls they take
      --list-qualities     the 36 output qualities of SAPI 5 voices
      --list-wma           the WMA codecs and their formats (CODEC/FORMAT)
      --list-chapters      each INPUT's chapters: number, level, words, spoken
                           length with the chosen voice and speed, title, and
                           whether a run leaves it out
      --json               list as JSON

Books:
      --chapters LIST      speak or write only these chapters, numbered as
                           --list-chapters shows them: 3, 1,3-5
      --all-chapters       include the front and back matter (cover, title
                           page, contents, copyright, index...), left out by
                           default
      --chapter-level N    headings down to level N start chapters (default
                           2); deeper sections stay inside their chapter
  Chapters are the book's own: an EPUB's table of contents, a PDF's outline
  (else its larger-type headings), the headings of HTML, Markdown, ODT, DOCX
  and FB2, and lines such as "Chapter 12" or "Part Two" in plain text.
  Footnotes, endnotes, page numbers, running heads and navigation are not
  read aloud. Markup in a document's text is spoken as text; only plain text
  obeys SAPI markup, as the window does.

Voice and prosody:
  -v, --voice VOICE        index or name (any case; a prefix is enough when
                           only one voice starts with it); default: the first
                           voice of the book's language, else voice 0
  -q, --quality QUALITY    index or name, e.g. "22kHz 16 Bit Mono" (default);
                           SAPI 5 voices only
      --speed N            -10 to 10, default 0
      --volume N           0 to 100, default 100
      --pitch N            -10 to 10, default 0

Output (without -o the text is spoken on the default audio output):
  -o, --output OUTPUT      the file to write; its extension (.wav, .mp3, .wma,
                           .m4b, .m4a, .opus, .flac) gives the kind unless
                           one of these does:
      --wav                uncompressed WAV
      --mp3 KBPS           MP3 at 32, 40, 48, 56, 64 (default), 80, 96, 112,
                           128 or 160 kbit/s
      --vbr                MP3 with variable bit rate
      --mp3-quality Q      0 (highest) to 9 (lowest), default 5
      --wma CODEC[/FORMAT] WMA codec and format, by index or name, as
                           --list-wma shows them; default 0/0
      --overwrite          replace OUTPUT if it exists (else it is refused)

Audiobooks (an .m4b, .m4a, .opus or .flac OUTPUT; an .mp3 or .wav one too
unless the input is plain text of one chapter, up to 100,000 characters):
      --bitrate KBPS       of the AAC, Opus or MP3 (default 64, 32, 64)
      --split[=FORMAT]     one file per chapter, "07 - Title.mp3", and a
                           playlist (.m3u8) in the folder -o names; FORMAT is
                           mp3 (default; wav with --wav), m4b, opus, flac, wav
      --keep-parts         keep the folder of finished pieces afterwards
      --subtitles FORMAT   beside each audio file, one cue per sentence timed
                           as the voice spoke it: srt, vtt (WebVTT) or lrc,
                           "book.srt" beside "book.m4b" (an .mp3 or .wav
                           OUTPUT is then always an audiobook)
  A book is cut into pieces of a few minutes, made on every core (-j) into
  OUTPUT.parts/ beside the output and then joined with the chapters, the
  book's title, authors and cover. An interrupted run, run again with the same
  command, makes only the pieces it had not finished.

Several documents:
  -o DIRECTORY             write one file per INPUT into DIRECTORY, named
                           after it with the output kind's extension
  -j, --jobs N             documents at once, each in a process of its own
                           (default: the number of cores; for a book's
                           pieces, one more)

Messages and progress:
      --quiet              messages only, no progress
      --verbose            also say which chapters and voice a book is read
                           with, and what was written
  -h, --help               this text
      --version            the version

On a terminal, standard error shows each running document's progress: how
much of its text has been spoken, the time elapsed and left, the size written
(for an audiobook: the chapters done and the share of the book's words).
For MP3 and WMA the percentage is that of the speech; the conversion that
follows stands at 100% while the file grows.
Ctrl+C (or SIGTERM) stops every job, removes the files it had not finished
and keeps those already complete (an audiobook's finished pieces among them).

Exit status: 0 all done, 1 some document failed, 2 wrong command line,
130 or 143 interrupted.

Examples:
  vocalith-cli --list-voices
  vocalith-cli --list-chapters book.epub
  vocalith-cli --chapters 2-4 --mp3 64 -o book.mp3 book.epub
  vocalith-cli -v slt --speed 2 --mp3 128 -o book.mp3 book.txt
  vocalith-cli -j 2 --wma 0/3 -o audio/ articles/*.txt

Audiobooks:
  vocalith-cli -o book.m4b book.epub
      a chaptered M4B with the book's title, authors and cover; stopped by
      Ctrl+C, the same command again makes only the pieces not yet finished
  vocalith-cli --split --mp3 64 -o chapters/ book.epub
      one MP3 per chapter, "01 - Title.mp3", and a playlist
  vocalith-cli --split --subtitles srt -o chapters/ book.epub
      the same, each chapter with its SRT subtitles, "01 - Title.srt"
  vocalith-cli --subtitles vtt -o book.m4b book.epub
      the M4B and book.vtt beside it
)";
