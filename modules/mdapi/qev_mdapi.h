/*
 * qev_mdapi.h - the interface between QEV-DVB and its MD-API plugins.
 *
 * A plugin is an ELF shared object ("*.so") in one of the root's plugin folders:
 *
 *   <root>/                  AV slot 0 (the program's own folder, no subfolders)
 *   <root>/Plugins/          AV slot 0 (no subfolders)
 *   <root>/Plugins/AV0/      AV slot 0, with subfolders
 *   <root>/Plugins/PIP/      AV slot 1, with subfolders  \
 *   <root>/Plugins/AV1/      AV slot 1, with subfolders   | only when the device has a
 *   <root>/Plugins/AV2/      AV slot 2, with subfolders   | second picture
 *   <root>/Plugins/AV3/      AV slot 3, with subfolders  /
 *
 * Subfolders whose name begins with "#" are skipped. The program loads each library with
 * dlopen and looks up the exports below by name; it needs no symbol from the plugin beyond
 * them, and the plugin needs none from the program: everything it asks of the host goes
 * through the SendMessage entry of the host table it receives in On_Start. This header is
 * all a plugin author needs; it is plain C and holds on 64-bit Linux (LP64).
 *
 * Records are packed and little-endian; their sizes and offsets are fixed and asserted at the
 * end. Strings are UTF-8, zero-terminated within their fields.
 *
 * Life of a plugin:
 *   1. On_Send_Dll_ID_Name(name)  name: 128 bytes filled with 0x55; write your name (at most
 *                                  32 characters are kept), zero-terminated
 *   2. On_Start(host, window, -1, number, startArea, version, &result)
 *                                  keep host and window: they are how you send commands.
 *                                  number is your plugin number (your DllId in filter
 *                                  requests); startArea is 8 zeroed bytes that stay yours;
 *                                  version is QEV_MDAPI_VERSION_TEXT; result is preset to -1
 *   3. On_Channel_Change(info)     whenever your AV slot gets a channel (and the zero record
 *                                  when it has none any more); on the user-interface thread
 *   4. On_Menu_Select(id)          the user picked an item of your menu
 *   5. On_Filter_Close(filterId)   at shutdown, for each of your filters still open
 *   6. On_Exit(host, window, 0)    once, at shutdown; after it no call of the host table is
 *                                  answered
 *
 * On_Send_Dll_ID_Name and On_Start are required; a library without them is not loaded.
 *
 * Commands: host->SendMessage(window, QEV_MDAPI_MESSAGE, code, parameter) with a code
 * QEV_MDAPI_* below; parameter is a pointer to the command's record cast to intptr_t
 * (the running id itself for QEV_MDAPI_STOP_FILTER). The answer is the command's result (0
 * for refused, unknown or ignored commands). SendMessage may be called from any thread:
 * called off the user-interface thread it waits until that thread has run the command, so do
 * not call it while holding something the user-interface thread may wait for. While the
 * program shuts down, waiting calls return 0.
 *
 * Data: a filter's data entry point runs on a thread of the host that belongs to your plugin
 * alone (one at a time for all your filters), with 184-byte payloads (or whole 188-byte
 * packets when the PID had bit 15 set), several per call. Up to 32 blocks wait per plugin;
 * when you are slower, newer blocks are dropped. You may send commands from inside it.
 *
 * Menu: export a text named MdApi_ExternMenu, or put a file "<library name without .so>.menu"
 * beside the library. One item per line:
 *
 *   101=Show counter          an item: its id (1..65535) and text
 *   -                         a separator
 *   POPUP More                a submenu, up to the matching END
 *   END
 *
 * Blank lines and lines beginning with ";" are ignored.
 */
#ifndef QEV_MDAPI_H
#define QEV_MDAPI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QEV_MDAPI_EXPORT __attribute__((visibility("default")))
#else
#define QEV_MDAPI_EXPORT
#endif

#define QEV_MDAPI_VERSION_TEXT "MD-API Version 01.03 - 1.06"
#define QEV_MDAPI_NAME_BUFFER 128
#define QEV_MDAPI_START_AREA 8

/* The message that carries commands to the plugin window. */
#define QEV_MDAPI_MESSAGE 0x400

/* Command codes and what the parameter points to. */
#define QEV_MDAPI_GET_CHANNEL 0x01020010u   /* TPlgChannelInfo to fill; answer 1 */
#define QEV_MDAPI_SET_ECM 0x01020011u       /* TPlgChannelInfo whose EcmPid to select; 0 */
#define QEV_MDAPI_SAVE_CHANNEL 0x01020013u  /* none; stores the slot's channel; 0 */
#define QEV_MDAPI_CHANNEL_NUMBER 0x01020014u /* two int32 receiving the channel number; 0 */
#define QEV_MDAPI_NOP_1 0x01020015u         /* accepted, no action; 1 */
#define QEV_MDAPI_START_FILTER 0x01020020u  /* TPlgFilterRequest; 1 when the filter runs */
#define QEV_MDAPI_STOP_FILTER 0x01020021u   /* the running id itself; 1 when closed */
#define QEV_MDAPI_SCAN_CAT 0x01020031u      /* TPlgCatList to fill (takes up to 5 s); 1 when a
                                               CA descriptor was found */
#define QEV_MDAPI_DEVICE_COMMAND 0x01020060u /* TPlgDeviceCommand; 1 when passed on */
#define QEV_MDAPI_GET_VERSION 0x01020100u   /* char[28] receiving QEV_MDAPI_VERSION_TEXT; 1 */
#define QEV_MDAPI_GET_SIGNAL 0x01022001u    /* three int32: 12, quality, level; 1 */
#define QEV_MDAPI_GET_NAMES 0x01022003u     /* TPlgChannelNames to fill; 1 */
#define QEV_MDAPI_NOP_2 0x01022004u         /* accepted, no action; 0 */

#pragma pack(push, 1)

/* 12 bytes: one enabled CA entry of the channel. */
typedef struct TPlgCaEntry {
  uint16_t CaId;     /* +0 */
  uint16_t EcmPid;   /* +2 */
  uint16_t EmmPid;   /* +4 */
  uint16_t Reserved; /* +6 0 */
  uint32_t ProvId;   /* +8 */
} TPlgCaEntry;

#define QEV_MDAPI_MAX_CA 16

/* 804 bytes: the channel an AV slot carries. All zero (EcmPid 0x1FFF) when it has none. */
typedef struct TPlgChannelInfo {
  char ChName[30];           /* +0   at most 29 bytes and the zero */
  char ChProv[30];           /* +30  at most 29 bytes and the zero */
  uint8_t Reserved60[32];    /* +60 */
  uint32_t Freq;             /* +92  kHz */
  uint8_t Reserved96;        /* +96 */
  uint8_t Voltage;           /* +97  18 horizontal, 13 vertical, else 0 */
  uint8_t Reserved98[2];     /* +98 */
  uint16_t SRate;            /* +100 kS/s */
  uint8_t Reserved102[6];    /* +102 */
  uint16_t TID;              /* +108 */
  uint16_t VidPid;           /* +110 */
  uint16_t AudPid;           /* +112 */
  uint16_t TtxPid;           /* +114 */
  uint16_t PmtPid;           /* +116 */
  uint16_t PcrPid;           /* +118 */
  uint16_t EcmPid;           /* +120 0x1FFF when none */
  uint16_t SID;              /* +122 */
  uint8_t Reserved124[3];    /* +124 */
  uint8_t SrvType;           /* +127 */
  uint8_t CaIdHigh;          /* +128 high byte of the first CA entry's CaId */
  uint8_t Reserved129[261];  /* +129 */
  uint16_t CaCount;          /* +390 */
  TPlgCaEntry CaList[QEV_MDAPI_MAX_CA]; /* +392 the enabled CA entries, in list order */
  uint8_t Reserved584[220];  /* +584 */
} TPlgChannelInfo;

/* 72 bytes: one CA descriptor (tag 9) of the CAT. */
typedef struct TPlgCatItem {
  uint8_t Tag;          /* +0 9 */
  uint8_t Length;       /* +1 descriptor length */
  uint16_t CaSystemId;  /* +2 */
  uint16_t EmmPid;      /* +4 13 bits */
  uint16_t Copied;      /* +6 bytes in Raw: Length + 2, at most 64 */
  uint8_t Raw[64];      /* +8 the descriptor from its tag on */
} TPlgCatItem;

/* 580 bytes: the CA descriptors of the transponder's CAT, in order. */
typedef struct TPlgCatList {
  uint32_t Count;         /* +0 */
  TPlgCatItem Items[8];   /* +4 */
} TPlgCatList;

/* 112 bytes: the names of QEV_MDAPI_GET_NAMES. */
typedef struct TPlgChannelNames {
  uint8_t Reserved0[12]; /* +0  left as the plugin set it */
  int32_t SatPos;        /* +12 the loaded satellite's position */
  char ChName[32];       /* +16 at most 31 bytes and the zero */
  char ChProv[32];       /* +48 */
  char ChName2[32];      /* +80 the channel name again */
} TPlgChannelNames;

/* 16 bytes: a command for the device (QEV_MDAPI_DEVICE_COMMAND). */
typedef struct TPlgDeviceCommand {
  uint16_t Length;      /* +0 must be 7 (16-bit words of the block passed on) */
  uint8_t Reserved2[4]; /* +2 */
  uint8_t Data[10];     /* +6 the command's own bytes */
} TPlgDeviceCommand;

/* A filter's data entry point: the plugin's FilterId, the length in bytes and the data. */
typedef void (*TPlgDataEntry)(int32_t filterId, int32_t length, const uint8_t* data);

/* 52 bytes: a filter request (QEV_MDAPI_START_FILTER). */
typedef struct TPlgFilterRequest {
  uint16_t DllId;          /* +0 your plugin number (the host uses the sender's own) */
  uint16_t FilterId;       /* +2 your number for the filter */
  uint16_t Pid;            /* +4 0..0x1FFF; bit 15 set: whole 188-byte packets */
  char Name[34];           /* +6 zero-terminated */
  TPlgDataEntry DataEntry; /* +40 */
  uint32_t RunningId;      /* +48 written by the host: the parameter of QEV_MDAPI_STOP_FILTER */
} TPlgFilterRequest;

#pragma pack(pop)

/* The host table, handed to On_Start and On_Exit where a Windows plugin gets its instance. */
typedef struct TPlgHostTable {
  uint16_t Version; /* QEV_MDAPI_HOST_VERSION */
  intptr_t (*SendMessage)(uintptr_t window, uint32_t message, uintptr_t wparam,
                          intptr_t lparam);
} TPlgHostTable;

#define QEV_MDAPI_HOST_VERSION 0x0106

/* The exports. */
QEV_MDAPI_EXPORT void On_Send_Dll_ID_Name(char* name);
QEV_MDAPI_EXPORT void On_Start(const TPlgHostTable* host, uintptr_t window, int32_t logFlag,
                               int32_t pluginNumber, uint8_t* startArea, const char* version,
                               int32_t* result);
QEV_MDAPI_EXPORT void On_Menu_Select(uint32_t menuId);
QEV_MDAPI_EXPORT void On_Channel_Change(TPlgChannelInfo info);
QEV_MDAPI_EXPORT void On_Exit(const TPlgHostTable* host, uintptr_t window, int32_t zero);
QEV_MDAPI_EXPORT void On_Filter_Close(uint32_t filterId);
/* Optional: the menu text (see above). */
QEV_MDAPI_EXPORT extern const char MdApi_ExternMenu[];

typedef void (*On_Send_Dll_ID_Name_t)(char*);
typedef void (*On_Start_t)(const TPlgHostTable*, uintptr_t, int32_t, int32_t, uint8_t*,
                           const char*, int32_t*);
typedef void (*On_Menu_Select_t)(uint32_t);
typedef void (*On_Channel_Change_t)(TPlgChannelInfo);
typedef void (*On_Exit_t)(const TPlgHostTable*, uintptr_t, int32_t);
typedef void (*On_Filter_Close_t)(uint32_t);

#ifdef __cplusplus
#define QEV_MDAPI_ASSERT(c, m) static_assert(c, m)
#else
#define QEV_MDAPI_ASSERT(c, m) _Static_assert(c, m)
#endif
QEV_MDAPI_ASSERT(sizeof(void*) == 8, "the interface is defined for 64-bit Linux");
QEV_MDAPI_ASSERT(sizeof(TPlgCaEntry) == 12, "TPlgCaEntry");
QEV_MDAPI_ASSERT(sizeof(TPlgChannelInfo) == 804, "TPlgChannelInfo");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, ChProv) == 30, "ChProv");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, Freq) == 92, "Freq");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, Voltage) == 97, "Voltage");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, SRate) == 100, "SRate");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, TID) == 108, "TID");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, VidPid) == 110, "VidPid");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, PmtPid) == 116, "PmtPid");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, EcmPid) == 120, "EcmPid");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, SID) == 122, "SID");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, SrvType) == 127, "SrvType");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, CaIdHigh) == 128, "CaIdHigh");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, CaCount) == 390, "CaCount");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelInfo, CaList) == 392, "CaList");
QEV_MDAPI_ASSERT(sizeof(TPlgCatItem) == 72, "TPlgCatItem");
QEV_MDAPI_ASSERT(offsetof(TPlgCatItem, Copied) == 6, "Copied");
QEV_MDAPI_ASSERT(offsetof(TPlgCatItem, Raw) == 8, "Raw");
QEV_MDAPI_ASSERT(sizeof(TPlgCatList) == 580, "TPlgCatList");
QEV_MDAPI_ASSERT(offsetof(TPlgCatList, Items) == 4, "Items");
QEV_MDAPI_ASSERT(sizeof(TPlgChannelNames) == 112, "TPlgChannelNames");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelNames, SatPos) == 12, "SatPos");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelNames, ChName) == 16, "ChName");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelNames, ChProv) == 48, "ChProv");
QEV_MDAPI_ASSERT(offsetof(TPlgChannelNames, ChName2) == 80, "ChName2");
QEV_MDAPI_ASSERT(sizeof(TPlgDeviceCommand) == 16, "TPlgDeviceCommand");
QEV_MDAPI_ASSERT(offsetof(TPlgDeviceCommand, Data) == 6, "Data");
QEV_MDAPI_ASSERT(sizeof(TPlgFilterRequest) == 52, "TPlgFilterRequest");
QEV_MDAPI_ASSERT(offsetof(TPlgFilterRequest, FilterId) == 2, "FilterId");
QEV_MDAPI_ASSERT(offsetof(TPlgFilterRequest, Pid) == 4, "Pid");
QEV_MDAPI_ASSERT(offsetof(TPlgFilterRequest, Name) == 6, "Name");
QEV_MDAPI_ASSERT(offsetof(TPlgFilterRequest, DataEntry) == 40, "DataEntry");
QEV_MDAPI_ASSERT(offsetof(TPlgFilterRequest, RunningId) == 48, "RunningId");
QEV_MDAPI_ASSERT(offsetof(TPlgHostTable, SendMessage) == 8, "SendMessage");
QEV_MDAPI_ASSERT(sizeof(TPlgHostTable) == 16, "TPlgHostTable");

#ifdef __cplusplus
}
#endif

#endif /* QEV_MDAPI_H */
