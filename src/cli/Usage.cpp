#include "src/cli/Usage.h"

const char* const kUsageText = R"(Usage: vocalith-cli [OPTION]... INPUT...
Speak text documents, or write them to WAV, MP3 or WMA files, with the voices
of Vocalith. INPUT is a text file (UTF-8, UTF-16 with a byte-order mark, or
Latin-1) or - for standard input.

Listing:
      --list-voices        the voices: index, name, language, controls they take
      --list-qualities     the 36 output qualities of SAPI 5 voices
      --list-wma           the WMA codecs and their formats (CODEC/FORMAT)
      --json               list as JSON

Voice and prosody:
  -v, --voice VOICE        index or name (any case; a prefix is enough when
                           only one voice starts with it); default: voice 0
  -q, --quality QUALITY    index or name, e.g. "22kHz 16 Bit Mono" (default);
                           SAPI 5 voices only
      --speed N            -10 to 10, default 0
      --volume N           0 to 100, default 100
      --pitch N            -10 to 10, default 0

Output (without -o the text is spoken on the default audio output):
  -o, --output OUTPUT      the file to write; its extension (.wav, .mp3, .wma)
                           gives the kind unless one of these does:
      --wav                uncompressed WAV
      --mp3 KBPS           MP3 at 32, 40, 48, 56, 64 (default), 80, 96, 112,
                           128 or 160 kbit/s
      --vbr                MP3 with variable bit rate
      --mp3-quality Q      0 (highest) to 9 (lowest), default 5
      --wma CODEC[/FORMAT] WMA codec and format, by index or name, as
                           --list-wma shows them; default 0/0
      --overwrite          replace OUTPUT if it exists (else it is refused)

Several documents:
  -o DIRECTORY             write one file per INPUT into DIRECTORY, named
                           after it with the output kind's extension
  -j, --jobs N             documents at once, each in a process of its own
                           (default: the number of cores)

Messages and progress:
      --quiet              messages only, no progress
      --verbose            also say what was written
  -h, --help               this text
      --version            the version

On a terminal, standard error shows each running document's progress: how
much of its text has been spoken, the time elapsed and left, the size written.
For MP3 and WMA the percentage is that of the speech; the conversion that
follows stands at 100% while the file grows.
Ctrl+C (or SIGTERM) stops every job, removes the files it had not finished
and keeps those already complete.

Exit status: 0 all done, 1 some document failed, 2 wrong command line,
130 or 143 interrupted.

Examples:
  vocalith-cli --list-voices
  vocalith-cli -v slt --speed 2 --mp3 128 -o book.mp3 book.txt
  vocalith-cli -j 2 --wma 0/3 -o audio/ articles/*.txt
)";
