/*
 * qev_sample.so - the example plugin for plugin authors.
 *
 * It shows the whole life of a plugin on nothing but qev_mdapi.h:
 *   - it names itself (On_Send_Dll_ID_Name) and keeps the host table and its window
 *     (On_Start);
 *   - it offers a menu (the exported MdApi_ExternMenu text);
 *   - on every channel of its AV slot (On_Channel_Change) it opens a filter on the channel's
 *     video PID (the sound PID for a radio channel) and closes the one before;
 *   - its data entry point counts the bytes it gets; "Show counter" prints them;
 *   - it lets the host close its filter at shutdown (On_Filter_Close) and leaves (On_Exit).
 *
 * Build it as a shared object with visibility hidden except for the exports, and drop the
 * .so into the root's Plugins/ folder.
 */
#include "qev_mdapi.h"

#include <stdatomic.h>
#include <stdio.h>
#include <string.h>

#define SAMPLE_NAME "QEV Sample Counter"
#define SAMPLE_FILTER_ID 1

enum { MENU_SHOW = 101, MENU_RESET = 102, MENU_ABOUT = 103 };

QEV_MDAPI_EXPORT const char MdApi_ExternMenu[] = "101=Show counter\n"
                                                 "102=Reset counter\n"
                                                 "-\n"
                                                 "103=About " SAMPLE_NAME "\n";

static const TPlgHostTable *g_host;
static uintptr_t g_window;
static int32_t g_number;
static uint32_t g_runningId; /* 0: no filter open */
static uint16_t g_pid;
/* Written on the plugin's feed thread, read on the user-interface thread. */
static atomic_ullong g_bytes;
static atomic_ullong g_blocks;

static intptr_t Send(uint32_t code, intptr_t parameter) {
  if (!g_host || !g_host->SendMessage)
    return 0;
  return g_host->SendMessage(g_window, QEV_MDAPI_MESSAGE, code, parameter);
}

static void OnData(int32_t filterId, int32_t length, const uint8_t *data) {
  (void)filterId;
  (void)data;
  if (length > 0) {
    atomic_fetch_add(&g_bytes, (unsigned long long)length);
    atomic_fetch_add(&g_blocks, 1);
  }
}

static void StopCounting(void) {
  if (g_runningId != 0)
    Send(QEV_MDAPI_STOP_FILTER, (intptr_t)g_runningId);
  g_runningId = 0;
  g_pid = 0;
}

static void StartCounting(uint16_t pid) {
  TPlgFilterRequest request;
  memset(&request, 0, sizeof request);
  request.DllId = (uint16_t)g_number;
  request.FilterId = SAMPLE_FILTER_ID;
  request.Pid = pid;
  snprintf(request.Name, sizeof request.Name, "Counter %04X", pid);
  request.DataEntry = OnData;
  if (Send(QEV_MDAPI_START_FILTER, (intptr_t)&request) == 1) {
    g_runningId = request.RunningId;
    g_pid = pid;
  }
}

QEV_MDAPI_EXPORT void On_Send_Dll_ID_Name(char *name) {
  memcpy(name, SAMPLE_NAME, sizeof SAMPLE_NAME);
}

QEV_MDAPI_EXPORT void On_Start(const TPlgHostTable *host, uintptr_t window, int32_t logFlag,
                               int32_t pluginNumber, uint8_t *startArea, const char *version,
                               int32_t *result) {
  (void)logFlag;
  (void)startArea;
  (void)version;
  g_host = host;
  g_window = window;
  g_number = pluginNumber;
  if (result)
    *result = 0;
}

QEV_MDAPI_EXPORT void On_Channel_Change(TPlgChannelInfo info) {
  const uint16_t pid = info.VidPid != 0 && info.VidPid < 0x1FFF ? info.VidPid : info.AudPid;
  if (pid == g_pid && g_runningId != 0)
    return;
  StopCounting();
  if (info.SID != 0 && pid != 0 && pid < 0x1FFF)
    StartCounting(pid);
}

QEV_MDAPI_EXPORT void On_Menu_Select(uint32_t menuId) {
  switch (menuId) {
  case MENU_SHOW:
    fprintf(stderr, SAMPLE_NAME ": %llu bytes in %llu blocks on PID 0x%04X\n",
            (unsigned long long)atomic_load(&g_bytes), (unsigned long long)atomic_load(&g_blocks),
            g_pid);
    break;
  case MENU_RESET:
    atomic_store(&g_bytes, 0);
    atomic_store(&g_blocks, 0);
    break;
  case MENU_ABOUT:
    fprintf(stderr, SAMPLE_NAME ": the example plugin of QEV-DVB (%s)\n", QEV_MDAPI_VERSION_TEXT);
    break;
  default:
    break;
  }
}

QEV_MDAPI_EXPORT void On_Filter_Close(uint32_t filterId) {
  if (filterId == SAMPLE_FILTER_ID) {
    g_runningId = 0;
    g_pid = 0;
  }
}

QEV_MDAPI_EXPORT void On_Exit(const TPlgHostTable *host, uintptr_t window, int32_t zero) {
  (void)host;
  (void)window;
  (void)zero;
  g_host = NULL; /* the host answers no command any more */
}
