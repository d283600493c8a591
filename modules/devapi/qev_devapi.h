/*
 * qev_devapi.h - the contract between QEV-DVB and a device module ("Dev_*.int").
 *
 * A device module is an ELF shared object named "Dev_<something>.int" in the root's Devices/
 * folder. The program loads it with dlopen and looks up the exports below by name. This header
 * is all a module author needs; it is plain C and holds on 64-bit Linux (LP64).
 *
 * Byte records are packed and little-endian; their sizes and offsets are fixed and asserted
 * below. Tables of entry points (DeviceInterface, DsHelperTable) start with a 16-bit version
 * word, then hold native function pointers in the order of their slots, naturally aligned:
 *
 *   offset 0   uint16_t version
 *   offset 8   slot 0
 *   offset 8 + 8 * n   slot n
 *
 * An entry left NULL means "not available": the program then answers for the module (-2 for
 * most operations; 0 for StartVideo, MoveVideo, SetVideoRect and GetDeviceInfo; -1 for
 * GetVideoError).
 *
 * Threads: the program calls entries from its user-interface thread and from worker threads
 * without serialising them. Data callbacks run on the module's threads and must expect the
 * program to re-enter the module from inside them. After StopFilter(handle) returns, the
 * module must not call that filter's callback again, nor be inside it on another thread
 * (unless StopFilter was called from inside that very callback). Filter handles are 1..0x7FFF.
 *
 * Call order. Listing the modules for the device choice: dlopen, DvbCard_GetDescription,
 * dlclose - nothing else, in particular no DvbCard_SetCallback first, so the description must
 * be given without the callback. Loading the module to use it:
 *
 *   1. DvbCard_SetCallback(callback)      the callback stays valid until the library is closed
 *   2. DvbCard_GetDescription(d)          d zeroed, d->Version = QEV_DEVAPI_DESCRIPTION_PROBE;
 *                                         the module answers 0 and leaves Version at 0x0200
 *   3. DvbCard_SetHelpers(1, table)       only when exported; a non-zero answer is logged and
 *                                         loading goes on
 *   4. DvbCard_GetInterface(table)        table zeroed, Version = 0x0200; the module fills the
 *                                         slots it offers and answers 0
 *   5. OpenDevice()                       a non-zero answer unloads the module (CloseDevice is
 *                                         called first) and is the load's result
 *   6. any operation, from any thread, until
 *   7. CloseDevice()                      once; no operation is called after it
 *   8. dlclose
 *
 * Any failure in 2, 4 or 5 unloads the module. Callback messages the module sends during
 * start-up (QEV_MSG_LOG, QEV_MSG_PROGRESS, QEV_MSG_PUMP) appear in the start-up window; while
 * the program shuts down every message is ignored.
 */
#ifndef QEV_DEVAPI_H
#define QEV_DEVAPI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QEV_DEVAPI_VERSION 0x0200
/* The program stores this in DeviceDescription.Version before asking for the description. */
#define QEV_DEVAPI_DESCRIPTION_PROBE 0xA1B2

#if defined(__GNUC__)
#define QEV_DEVAPI_EXPORT __attribute__((visibility("default")))
#else
#define QEV_DEVAPI_EXPORT
#endif

#pragma pack(push, 1)

/* 134 bytes. The module must leave Version at 0x0200. */
typedef struct DeviceDescription {
  uint16_t Version;        /* +0 */
  char Name[51];           /* +2   NUL-terminated UTF-8 */
  char Author[51];         /* +53  NUL-terminated UTF-8 */
  uint8_t VideoStreams;    /* +104 more than 1 enables the second AV slot */
  uint8_t VideoDecoders;   /* +105 bit 0 software, bit 1 hardware */
  uint8_t MinFilters;      /* +106 */
  uint8_t Packets188;      /* +107 1: can deliver whole 188-byte packets */
  uint8_t StreamExtLength; /* +108 length of StreamExt, which is the file extension (with dot)
                                   of the module's own stream format */
  char StreamExt[25];      /* +109 */
} DeviceDescription;

/* 32 bytes; every field 32-bit. Tune is also called with only the voltage changed to switch
   the LNB supply: QEV_LNB_SUPPLY_ON before the very first tune (then 100 ms later the real
   tune), QEV_LNB_SUPPLY_OFF at shutdown when the user asks for it. */
typedef struct TuneRequest {
  uint32_t Frequency;    /* +0  kHz */
  uint32_t Always2;      /* +4  always 2 */
  uint32_t SymbolRate;   /* +8  symbols per second */
  uint32_t LnbFrequency; /* +12 local oscillator, kHz */
  uint32_t Tone;         /* +16 22 kHz tone: 0 off, 1 on */
  uint32_t Voltage;      /* +20 13 vertical, 18 horizontal, 0 supply off, 255 supply on */
  uint32_t Reserved;     /* +24 0 */
  uint32_t DiseqcHint;   /* +28 QEV_HINT_*: the first switch of the satellite, for modules
                                  that drive the switch themselves */
} TuneRequest;

#define QEV_LNB_SUPPLY_OFF 0
#define QEV_LNB_SUPPLY_ON 255

/* DiSEqC hint values. The hint is filled only when the satellite changed or the user asked for
   DiSEqC on every channel change, and only for a switch setting that is really sent: a port the
   program refuses (out of range) leaves QEV_HINT_NONE. It is filled whatever the DiSEqC level
   (QEV_INFO_DISEQC_LEVEL), so a module below level 11, which gets no SendDiseqc, can still set
   the switch. Further switches and the positioner are not hinted. */
#define QEV_HINT_NONE 0
#define QEV_HINT_BURST_A 1   /* tone burst A (simple switch, port 1) */
#define QEV_HINT_BURST_B 2   /* tone burst B (simple switch, port 2) */
#define QEV_HINT_COMMITTED(port) ((port) + 2) /* DiSEqC 1.0 committed port 1..4: 3..6 */

/* 6 bytes. */
typedef struct SignalStatus {
  uint16_t Level;   /* +0 0..100 */
  uint16_t Quality; /* +2 0..100 */
  uint16_t Bits;    /* +4 QEV_SIGNAL_* */
} SignalStatus;

#define QEV_SIGNAL_SIGNAL 1
#define QEV_SIGNAL_CARRIER 2
#define QEV_SIGNAL_VITERBI 4
#define QEV_SIGNAL_SYNC 8
#define QEV_SIGNAL_LOCK 16

/* 7 bytes: AudioControl and HlpSound. */
typedef struct SoundRecord {
  uint32_t Flags;     /* +0 QEV_SOUND_*: which fields to write or were read */
  uint8_t Volume;     /* +4 0..100 */
  int8_t Balance;     /* +5 -50..+50 */
  uint8_t ChannelMode; /* +6 0 channels A and B, 1 A only, 2 B only */
} SoundRecord;

#define QEV_SOUND_VOLUME 1
#define QEV_SOUND_BALANCE 2
#define QEV_SOUND_CHANNEL_MODE 4

/* 14 bytes: PictureControl and HlpPicture. */
typedef struct PictureRecord {
  uint32_t Flags;    /* +0 QEV_PICTURE_*: which values are valid */
  char Tag[4];       /* +4 "OVRL" or "VMR9", not NUL-terminated */
  uint8_t Values[6]; /* +8 brightness, contrast, hue, saturation, sharpness, gamma: 0..255 */
} PictureRecord;

#define QEV_PICTURE_BRIGHTNESS 0x01
#define QEV_PICTURE_CONTRAST 0x02
#define QEV_PICTURE_HUE 0x04
#define QEV_PICTURE_SATURATION 0x08
#define QEV_PICTURE_SHARPNESS 0x10
#define QEV_PICTURE_GAMMA 0x20

/* 13 bytes: the data of callback message 2 (start-up progress). */
typedef struct ProgressRecord {
  uint32_t Reserved; /* +0 */
  int32_t Maximum;   /* +4 */
  int32_t Position;  /* +8 */
  uint8_t Visible;   /* +12 */
} ProgressRecord;

#pragma pack(pop)

/* Callback messages: DeviceCallback(message, value, data). The callback may be called from any
   thread; QEV_MSG_PUMP does something only on the user-interface thread (the thread that calls
   Tune, SendDiseqc, OpenDevice). The data is copied before the call returns. A close, suspend or
   unload the user asks for inside such a pump waits until the module's call has returned. */
#define QEV_MSG_PUMP 0       /* process pending interface messages; value and data unused */
#define QEV_MSG_LOG 1        /* value = level (0 information, 2 error), data = UTF-8 text; shown
                                in the start-up window, later in the main window's message line */
#define QEV_MSG_PROGRESS 2   /* value = QEV_PROGRESS_* bits, data = ProgressRecord; the start-up
                                window's progress bar */
#define QEV_MSG_RECEPTION 3  /* value = 0x10 + bits (slot 0) or 0x20 + bits (slot 1);
                                bit 0 audio flows, bit 1 video flows; data unused */
#define QEV_MSG_WINDOW_MODE 4 /* value = output * 256 + QEV_WINDOW_*; output 0..3 is the AV slot
                                 whose video window should change; data unused */

/* Window modes of QEV_MSG_WINDOW_MODE. */
#define QEV_WINDOW_CLOSED 0
#define QEV_WINDOW_EMBEDDED 1      /* in the main window's video panel */
#define QEV_WINDOW_FLOATING 2      /* a window of its own */
#define QEV_WINDOW_FULL_SCREEN 3
#define QEV_WINDOW_TOGGLE_FULL 4   /* full screen, or back from it */
#define QEV_WINDOW_BACK_FROM_FLOAT 5 /* to the mode before the floating window */
#define QEV_WINDOW_BACK_FROM_FULL 6  /* to the mode before full screen */
#define QEV_WINDOW_REOPEN 9        /* close and open again in the same mode */

#define QEV_PROGRESS_SET_MAXIMUM 2
#define QEV_PROGRESS_SET_POSITION 4
#define QEV_PROGRESS_SHOW 8

typedef void (*DeviceCallback)(int32_t message, int32_t value, void* data);

/* Delivery modes of StartFilter, with what one callback carries (length in bytes):
   QEV_DELIVER_PAYLOADS   the 184 bytes after the 4-byte header of packets that carry a payload
                          (adaptation field included); length a multiple of 184
   QEV_DELIVER_SECTIONS   one whole section (table id to its end; a section with the syntax
                          indicator set only when its CRC is right) per call, only
                          those whose first QEV_SECTION_FILTER_BYTES bytes agree with match under
                          mask ((section[i] & mask[i]) == (match[i] & mask[i])); match and mask
                          NULL accept every section. The program sets mask[0] = 0xFF and
                          match[0] = the table id. Not with QEV_PID_ALL.
   QEV_DELIVER_PACKETS    whole 188-byte packets; length a multiple of 188
   QEV_DELIVER_AV_SLOT(n) whole packets of AV slot n's programme: those on the audio, video and
                          PCR PIDs last given by SetChannelPids(n, ...); pid is QEV_PID_ALL or
                          one of them
   With pid QEV_PID_ALL the filter gets the packets of every PID (check QEV_INFO_ALL_PIDS).
   Other modes are the module's own (a recorder of the module's stream format may use them);
   an unknown mode is refused with a result <= 0. */
#define QEV_DELIVER_PAYLOADS 1
#define QEV_DELIVER_SECTIONS 3
#define QEV_DELIVER_PACKETS 188
#define QEV_DELIVER_AV_SLOT(n) (16 * ((n) + 1) + 3) /* 0x13, 0x23, 0x33, 0x43 for slots 0..3 */
#define QEV_PID_ALL 0x2000
#define QEV_SECTION_FILTER_BYTES 17
#define QEV_FILTER_HANDLE_MAX 0x7FFF
#define QEV_PAYLOAD_SIZE 184
#define QEV_PACKET_SIZE 188

/* The flag byte of StartFilter says how soon the consumer wants its data. Its use is the
   module's; the program passes:
   QEV_FILTER_LATENCY 1   the guide collector and the table reader (sections; wait for each)
   QEV_FILTER_BULK 0      teletext, the recorder and the statistics (throughput; the module may
                          gather several units into one call, as devkit does: up to 64 units or
                          20 ms)
   plugins pass what their own settings say. */
#define QEV_FILTER_BULK 0
#define QEV_FILTER_LATENCY 1

/* data, length in bytes, the context given to StartFilter. */
typedef void (*FilterCallback)(const uint8_t* data, int32_t length, void* context);

/* SetChannelPids flags: always QEV_PIDS_BASE, plus the bits below. A PID of 0 or 0x1FFF means
   the channel has no such stream. */
#define QEV_PIDS_BASE 7
#define QEV_PIDS_AUDIO_IS_AC3 8
#define QEV_PIDS_CHANNEL_CHANGED 16

/* SetTeletextPid(0, pid): the program calls it with pid 0 before AV slot 0 switches channel
   (stop teletext), and after the switch with the channel's teletext PID (1..0x1FFE), or with
   QEV_TELETEXT_NONE when the channel has none. The first argument is always 0. */
#define QEV_TELETEXT_STOP 0
#define QEV_TELETEXT_NONE 0x1FFF

/* GetDeviceInfo(code, parameter) codes and answers; an unknown code answers 0. */
#define QEV_INFO_DISEQC_LEVEL 1 /* the DiSEqC level as 10 x version: 11 or more (QEV_DISEQC_
                                   LEVEL_MIN) makes the program send DiSEqC through SendDiseqc,
                                   below it sends none (the tune still carries the hint) */
#define QEV_INFO_ALL_PIDS 3     /* non-zero when filters on QEV_PID_ALL work */
#define QEV_INFO_DECODER 4      /* the decoder in use: 0 hardware, else a software decoder */
#define QEV_INFO_TEXT 5         /* parameter: char[66] to write a text of up to 65 characters
                                   into (NUL-terminated); answer non-zero when there is one; the
                                   main window's caption shows it after the device name */
/* How the tuner is locked: 0 while it is not (or the module cannot tell); else the delivery
   system QEV_DELIVERY_* in bits 0..7 and the modulation QEV_MODULATION_* in bits 8..15. */
#define QEV_INFO_DELIVERY 6
/* Non-zero once the tuned stream has ended and every byte of it has been delivered to the
   filters (a module that plays a recording once); 0 while it plays, and for live streams. A
   new tune starts it afresh. */
#define QEV_INFO_STREAM_ENDED 7
#define QEV_INFO_SELECT_DECODER 260 /* parameter: the decoder to use, as QEV_INFO_DECODER */
#define QEV_INFO_TEXT_MAX 65
#define QEV_DISEQC_LEVEL_MIN 11

/* PassPluginData(slot, block, 7): a plugin's command for the device; block holds 7 16-bit words
   (QEV_PLUGIN_DATA_BYTES bytes): 4 bytes fixed by the program, then the plugin's 10 bytes. The
   answer 0 refuses it, any other value accepts it. */
#define QEV_PLUGIN_DATA_WORDS 7
#define QEV_PLUGIN_DATA_BYTES 14

#define QEV_DELIVERY_DVBS 1
#define QEV_DELIVERY_DVBS2 2
#define QEV_MODULATION_QPSK 1
#define QEV_MODULATION_8PSK 2
#define QEV_MODULATION_16APSK 3
#define QEV_MODULATION_32APSK 4

#define QEV_VIDEO_CHILD_STYLE 0x40000000u

/* The module's operations, slots 0 to 21. Window arguments are X11 window ids (0: none). */
typedef struct DeviceInterface {
  uint16_t Version; /* the program stores 0x0200; the module must leave it */
  int32_t (*OpenDevice)(void);                                          /* 0: 0 success */
  void (*CloseDevice)(void);                                            /* 1 */
  void* Reserved2;                                                      /* 2: never called */
  void (*ShowDeviceSettings)(void);                                     /* 3 */
  void* Reserved4;                                                      /* 4: never called */
  int32_t (*Tune)(const TuneRequest* request);                          /* 5: 0 success */
  int32_t (*GetSignalStatus)(SignalStatus* status);                     /* 6: 0 success */
  /* 7: a message (burst 0), or a tone burst (no bytes, length 0, burst 1 = A, 2 = B) */
  int32_t (*SendDiseqc)(const uint8_t* bytes, int32_t length, int32_t burst);
  /* 8: flags QEV_PIDS_* */
  int32_t (*SetChannelPids)(int32_t slot, uint16_t audioPid, uint16_t videoPid, uint16_t pcrPid,
                            int32_t flags);
  int32_t (*SetTeletextPid)(int32_t reserved, int32_t pid);             /* 9 */
  /* 10: pid 0..0x1FFF or QEV_PID_ALL; match/mask QEV_SECTION_FILTER_BYTES each or NULL;
     returns a handle 1..0x7FFF, or <= 0 on failure */
  int32_t (*StartFilter)(uint16_t pid, FilterCallback callback, uint16_t mode,
                         const uint8_t* match, const uint8_t* mask, uint8_t flags,
                         void* context);
  int32_t (*StopFilter)(int32_t handle);                                /* 11 */
  /* 12: returns the video window, 0 on failure */
  uintptr_t (*StartVideo)(int32_t slot, uintptr_t owner, uintptr_t messageWindow, int32_t a,
                          int32_t b, int32_t c, int32_t d, uint32_t style, uint8_t pva);
  /* 13 */
  uintptr_t (*MoveVideo)(int32_t slot, uintptr_t owner, uintptr_t messageWindow, int32_t a,
                         int32_t b, int32_t c, int32_t d, uint32_t style);
  int32_t (*SetVideoRect)(int32_t slot, int32_t left, int32_t top, int32_t width, int32_t height,
                          int32_t reserved);                            /* 14 */
  /* 15: option 0 = 1 free shape / 0 fixed 4:3 or 16:9; option 1 = crop percent */
  int32_t (*SetVideoOption)(int32_t slot, int32_t option, int32_t value);
  int32_t (*StopVideo)(int32_t slot);                                   /* 16 */
  /* 17: 0 refused, anything else accepted */
  int32_t (*PassPluginData)(int32_t slot, const uint8_t* block, int32_t seven);
  int32_t (*AudioControl)(int32_t slot, int32_t write, SoundRecord* sound);      /* 18 */
  int32_t (*PictureControl)(int32_t slot, int32_t write, PictureRecord* picture); /* 19 */
  intptr_t (*GetDeviceInfo)(int32_t code, intptr_t parameter);          /* 20: QEV_INFO_* */
  int32_t (*GetVideoError)(int32_t slot, char* text, int32_t maxLength); /* 21: text[256] */
} DeviceInterface;

/* The program's audio/video graph helpers, handed over by DvbCard_SetHelpers(1, table). Each
   has the shape of the device operation named beside it, so a module can pass its own
   arguments straight on. Slots are 0..5. */
typedef struct DsHelperTable {
  uint16_t Version; /* 0x0200 */
  uintptr_t (*HlpOpenAvGraph)(int32_t slot, uintptr_t owner, uintptr_t messageWindow, int32_t a,
                              int32_t b, int32_t c, int32_t d, uint32_t style,
                              uint8_t pva);                              /* StartVideo */
  uintptr_t (*HlpAttachWindow)(int32_t slot, uintptr_t owner, uintptr_t messageWindow,
                               int32_t a, int32_t b, int32_t c, int32_t d,
                               uint32_t style);                          /* MoveVideo */
  int32_t (*HlpSetWindowRect)(int32_t slot, int32_t left, int32_t top, int32_t width,
                              int32_t height, int32_t reserved);          /* SetVideoRect */
  int32_t (*HlpSetVideoProperty)(int32_t slot, int32_t property, int32_t value); /* SetVideoOption */
  int32_t (*HlpCloseGraph)(int32_t slot);                                 /* StopVideo */
  int32_t (*HlpStartFeed)(int32_t slot, uint16_t audioPid, uint16_t videoPid, uint16_t pcrPid,
                          int32_t flags);                                 /* SetChannelPids */
  int32_t (*HlpPicture)(int32_t slot, int32_t set, PictureRecord* picture); /* PictureControl */
  int32_t (*HlpSound)(int32_t slot, int32_t set, SoundRecord* sound);       /* AudioControl */
  int32_t (*HlpErrorText)(int32_t slot, char* text, int32_t maxLength);     /* GetVideoError */
  void (*HlpFeedData)(int32_t slot, const uint8_t* data, int32_t length);
} DsHelperTable;

/* The exports. DvbCard_SetHelpers, DvbCard_FileVersion and DvbCard_GetAdapters are optional. */
QEV_DEVAPI_EXPORT void DvbCard_SetCallback(DeviceCallback callback);
QEV_DEVAPI_EXPORT int32_t DvbCard_GetInterface(DeviceInterface* table);     /* 0 success */
QEV_DEVAPI_EXPORT int32_t DvbCard_GetDescription(DeviceDescription* description); /* 0 success */
QEV_DEVAPI_EXPORT int32_t DvbCard_SetHelpers(int32_t kind, const DsHelperTable* table);
/* The module's version, shown as "%d.%d.%d.%d" in the device choice. */
QEV_DEVAPI_EXPORT extern const uint16_t DvbCard_FileVersion[4];
/* Optional: the hardware the module sees, one line of UTF-8 per adapter ("adapter0/frontend0:
   name (DVB-S, DVB-S2)"), copied NUL-terminated and cut to `size`; answers the full length.
   Like DvbCard_GetDescription it works without the callback and without OpenDevice; the
   device listing of qevtool shows the lines. */
QEV_DEVAPI_EXPORT int32_t DvbCard_GetAdapters(char *text, int32_t size);

typedef void (*DvbCard_SetCallback_t)(DeviceCallback);
typedef int32_t (*DvbCard_GetInterface_t)(DeviceInterface*);
typedef int32_t (*DvbCard_GetDescription_t)(DeviceDescription*);
typedef int32_t (*DvbCard_SetHelpers_t)(int32_t, const DsHelperTable*);
typedef int32_t (*DvbCard_GetAdapters_t)(char*, int32_t);

/* Layout checks: a module built against this header and the program agree byte for byte. */
#ifdef __cplusplus
#define QEV_DEVAPI_ASSERT(c, m) static_assert(c, m)
#else
#define QEV_DEVAPI_ASSERT(c, m) _Static_assert(c, m)
#endif
QEV_DEVAPI_ASSERT(sizeof(void*) == 8, "the contract is defined for 64-bit Linux");
QEV_DEVAPI_ASSERT(sizeof(DeviceDescription) == 134, "DeviceDescription");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, Name) == 2, "Name");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, Author) == 53, "Author");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, VideoStreams) == 104, "VideoStreams");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, VideoDecoders) == 105, "VideoDecoders");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, MinFilters) == 106, "MinFilters");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, Packets188) == 107, "Packets188");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, StreamExtLength) == 108, "StreamExtLength");
QEV_DEVAPI_ASSERT(offsetof(DeviceDescription, StreamExt) == 109, "StreamExt");
QEV_DEVAPI_ASSERT(sizeof(TuneRequest) == 32, "TuneRequest");
QEV_DEVAPI_ASSERT(offsetof(TuneRequest, SymbolRate) == 8, "SymbolRate");
QEV_DEVAPI_ASSERT(offsetof(TuneRequest, LnbFrequency) == 12, "LnbFrequency");
QEV_DEVAPI_ASSERT(offsetof(TuneRequest, Tone) == 16, "Tone");
QEV_DEVAPI_ASSERT(offsetof(TuneRequest, Voltage) == 20, "Voltage");
QEV_DEVAPI_ASSERT(offsetof(TuneRequest, DiseqcHint) == 28, "DiseqcHint");
QEV_DEVAPI_ASSERT(sizeof(SignalStatus) == 6, "SignalStatus");
QEV_DEVAPI_ASSERT(offsetof(SignalStatus, Quality) == 2, "Quality");
QEV_DEVAPI_ASSERT(offsetof(SignalStatus, Bits) == 4, "Bits");
QEV_DEVAPI_ASSERT(sizeof(SoundRecord) == 7, "SoundRecord");
QEV_DEVAPI_ASSERT(offsetof(SoundRecord, Volume) == 4, "Volume");
QEV_DEVAPI_ASSERT(offsetof(SoundRecord, Balance) == 5, "Balance");
QEV_DEVAPI_ASSERT(offsetof(SoundRecord, ChannelMode) == 6, "ChannelMode");
QEV_DEVAPI_ASSERT(sizeof(PictureRecord) == 14, "PictureRecord");
QEV_DEVAPI_ASSERT(offsetof(PictureRecord, Tag) == 4, "Tag");
QEV_DEVAPI_ASSERT(offsetof(PictureRecord, Values) == 8, "Values");
QEV_DEVAPI_ASSERT(sizeof(ProgressRecord) == 13, "ProgressRecord");
QEV_DEVAPI_ASSERT(offsetof(ProgressRecord, Maximum) == 4, "Maximum");
QEV_DEVAPI_ASSERT(offsetof(ProgressRecord, Position) == 8, "Position");
QEV_DEVAPI_ASSERT(offsetof(ProgressRecord, Visible) == 12, "Visible");
QEV_DEVAPI_ASSERT(offsetof(DeviceInterface, OpenDevice) == 8, "slot 0");
QEV_DEVAPI_ASSERT(offsetof(DeviceInterface, Tune) == 8 + 8 * 5, "slot 5");
QEV_DEVAPI_ASSERT(offsetof(DeviceInterface, StartFilter) == 8 + 8 * 10, "slot 10");
QEV_DEVAPI_ASSERT(offsetof(DeviceInterface, StartVideo) == 8 + 8 * 12, "slot 12");
QEV_DEVAPI_ASSERT(offsetof(DeviceInterface, GetDeviceInfo) == 8 + 8 * 20, "slot 20");
QEV_DEVAPI_ASSERT(offsetof(DeviceInterface, GetVideoError) == 8 + 8 * 21, "slot 21");
QEV_DEVAPI_ASSERT(sizeof(DeviceInterface) == 8 + 8 * 22, "DeviceInterface");
QEV_DEVAPI_ASSERT(offsetof(DsHelperTable, HlpOpenAvGraph) == 8, "helper 0");
QEV_DEVAPI_ASSERT(offsetof(DsHelperTable, HlpStartFeed) == 8 + 8 * 5, "helper 5");
QEV_DEVAPI_ASSERT(offsetof(DsHelperTable, HlpFeedData) == 8 + 8 * 9, "helper 9");
QEV_DEVAPI_ASSERT(sizeof(DsHelperTable) == 8 + 8 * 10, "DsHelperTable");

#ifdef __cplusplus
}
#endif

#endif /* QEV_DEVAPI_H */
