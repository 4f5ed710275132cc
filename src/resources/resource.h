#pragma once
// Resource ids: string table entries, menus, accelerators, dialog templates,
// controls and commands. The values are the program's resource numbers.

#include "platform/com/types.h"

// Frame resources (menu 128, accelerators 128, toolbar 128, icon 128, title).
inline constexpr UINT IDR_MAINFRAME = 128;
inline constexpr UINT IDR_CONTEXTMENU = 130;

// Dialog templates.
inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT IDD_CONTROLBAR = 128;
inline constexpr UINT IDD_SELECT_OUTPUT_FILE = 131;

// Controls.
inline constexpr UINT IDOK = 1;
inline constexpr UINT IDCANCEL = 2;
inline constexpr UINT IDC_VOICE = 1000;
inline constexpr UINT IDC_QUALITY = 1001;
inline constexpr UINT IDC_SPEED = 1002;
inline constexpr UINT IDC_VOLUME = 1003;
inline constexpr UINT IDC_PITCH = 1004;
inline constexpr UINT IDC_WRITE = 1006;
inline constexpr UINT IDC_SPEAK = 1007;
inline constexpr UINT IDC_VERSION = 1007; // about box version line
inline constexpr UINT IDC_RADIO_WAV = 1008;
inline constexpr UINT IDC_RADIO_MP3 = 1009;
inline constexpr UINT IDC_RADIO_WMA = 1010;
inline constexpr UINT IDC_BROWSE = 1012;
inline constexpr UINT IDC_OUTPUT_FILE = 1013;
inline constexpr UINT IDC_BITRATE = 1014;
inline constexpr UINT IDC_VBR = 1015;
inline constexpr UINT IDC_MP3_QUALITY = 1016;
inline constexpr UINT IDC_CODEC = 1017;
inline constexpr UINT IDC_FORMAT = 1018;

// Commands.
inline constexpr UINT ID_FILE_WRITE = 32772;
inline constexpr UINT ID_FILE_SPEAK = 32778;
inline constexpr UINT ID_FILE_STOP = 32782;
inline constexpr UINT ID_HELP_WEBSITE = 32787;
inline constexpr UINT ID_FILE_DOWNLOAD_VOICES = 32789;
inline constexpr UINT ID_FILE_SPEAK_SELECTED = 32792;
inline constexpr UINT ID_FILE_WRITE_SELECTED = 32794;
inline constexpr UINT ID_EDIT_COPY = 57634;
inline constexpr UINT ID_EDIT_CUT = 57635;
inline constexpr UINT ID_EDIT_PASTE = 57637;
inline constexpr UINT ID_EDIT_UNDO = 57643;
inline constexpr UINT ID_EDIT_REDO = 57644;
inline constexpr UINT ID_APP_ABOUT = 57664;
inline constexpr UINT ID_APP_EXIT = 57665;
inline constexpr UINT ID_NEXT_PANE = 57680;
inline constexpr UINT ID_PREV_PANE = 57681;
inline constexpr UINT ID_VIEW_TOOLBAR = 59392;
inline constexpr UINT ID_VIEW_STATUS_BAR = 59393;
inline constexpr UINT ID_INDICATOR_CAPS = 59137;
inline constexpr UINT ID_INDICATOR_NUM = 59138;
inline constexpr UINT ID_INDICATOR_SCRL = 59139;

// Strings.
inline constexpr UINT AFX_IDS_APP_TITLE = 57344;
inline constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;
inline constexpr UINT IDP_OLE_INIT_FAILED = 100;
inline constexpr UINT IDS_NO_VOICES = 101;
inline constexpr UINT IDS_HOME_PAGE = 102;
inline constexpr UINT IDS_VOICES_PAGE = 103;
inline constexpr UINT IDS_LINE_COLUMN = 104;
inline constexpr UINT IDS_MP3_QUALITY_FIRST = 105; // "0  (Highest)" .. 114 "9 (Lowest)"
inline constexpr UINT IDS_MP3_BITRATE_FIRST = 115; // "32 kbps" .. 124 "160 kbps"
inline constexpr UINT IDS_SELECT_MP3_BITRATE = 125;
inline constexpr UINT IDS_SELECT_WMA_CODEC = 126;
inline constexpr UINT IDS_SELECT_WMA_FORMAT = 127;
inline constexpr UINT IDS_SPECIFY_OUTPUT_FILE = 129;
inline constexpr UINT IDS_TTS_ENUMERATOR = 130;
inline constexpr UINT IDS_TTS_FIND_MODE = 131;
inline constexpr UINT IDS_AUDIO_DEST_FILE = 132;
inline constexpr UINT IDS_TTS_SELECT = 133;
inline constexpr UINT IDS_TTS_CONVERSION_SPEED = 134;
inline constexpr UINT IDS_TTS_REGISTER_SINK = 135;
inline constexpr UINT IDS_TTS_OUTPUT_FILE = 136;
inline constexpr UINT IDS_TTS_TEXTDATA = 137;
inline constexpr UINT IDS_SP_VOICE = 138;
inline constexpr UINT IDS_SP_STREAM = 139;
inline constexpr UINT IDS_SP_FORMAT = 141;
inline constexpr UINT IDS_SP_BIND = 142;
inline constexpr UINT IDS_SP_SET_OUTPUT = 143;
inline constexpr UINT IDS_SP_SET_VOICE = 144;
inline constexpr UINT IDS_SP_SPEAK = 145;
inline constexpr UINT IDS_CANCEL_PROCESSING = 146;
inline constexpr UINT IDS_SELECT_VOICE = 147;
inline constexpr UINT IDS_WORKER_THREAD = 148;
inline constexpr UINT IDS_SAVE_AS = 151;
inline constexpr UINT IDS_FILTER_WAV = 152;
inline constexpr UINT IDS_FILTER_MP3 = 153;
inline constexpr UINT IDS_FILTER_WMA = 154;
inline constexpr UINT IDS_WAV_OPEN = 155;
inline constexpr UINT IDS_WAV_CORRUPT = 156;
inline constexpr UINT IDS_WAV_FILE_EXCEPTION = 157;
inline constexpr UINT IDS_WMA_INIT = 158;
inline constexpr UINT IDS_WMA_PROFILE = 159;
inline constexpr UINT IDS_WMA_CREATE_WRITER = 160;
inline constexpr UINT IDS_WMA_SET_PROFILE = 161;
inline constexpr UINT IDS_WMA_INPUT_COUNT = 162;
inline constexpr UINT IDS_WMA_INPUT_PROPS = 163;
inline constexpr UINT IDS_WMA_INPUT_TYPE = 164;
inline constexpr UINT IDS_WMA_SET_MEDIA_TYPE = 165;
inline constexpr UINT IDS_WMA_INVALID_INPUT = 166;
inline constexpr UINT IDS_WMA_INPUT_REFUSED = 167;
inline constexpr UINT IDS_WMA_OUTPUT_FILE = 168;
inline constexpr UINT IDS_WMA_PREPROCESS = 169;
inline constexpr UINT IDS_WMA_BEGIN_WRITING = 170;
inline constexpr UINT IDS_WMA_MAX_PASSES = 171;
inline constexpr UINT IDS_WMA_ALLOCATE_SAMPLE = 172;
inline constexpr UINT IDS_WMA_SAMPLE_BUFFER = 173;
inline constexpr UINT IDS_WMA_SAMPLE_LENGTH = 174;
inline constexpr UINT IDS_WMA_PREPROCESS_SAMPLE = 175;
inline constexpr UINT IDS_WMA_WRITE_SAMPLE = 176;
inline constexpr UINT IDS_MP3_SAMPLE_RATE = 177;
inline constexpr UINT IDS_MP3_BITRATE = 178;
inline constexpr UINT IDS_MP3_CREATE_FILE = 179;
inline constexpr UINT IDS_MP3_OPEN_STREAM = 180;
inline constexpr UINT IDS_OUT_OF_MEMORY = 181;
inline constexpr UINT IDS_MP3_WRITE = 182;
inline constexpr UINT IDS_MP3_CLOSE_STREAM = 183;
inline constexpr UINT IDS_MP3_ENCODE = 184;
inline constexpr UINT IDS_MP3_INIT = 185;
inline constexpr UINT IDS_WMA_BEGIN_PASS = 186;
inline constexpr UINT IDS_WMA_END_PASS = 187;
inline constexpr UINT IDS_WAV_READ = 188;
inline constexpr UINT IDS_UNKNOWN_EXCEPTION = 189;
