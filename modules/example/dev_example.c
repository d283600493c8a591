/*
 * Dev_Example.int - a device module written from qev_devapi.h alone, as a vendor would start
 * one. It drives no hardware: a tune "locks" whenever it names a frequency and a polarisation,
 * filters are accepted and kept in a table but receive no data. Replace the marked parts with
 * the calls into a real card.
 */
#include "devapi/qev_devapi.h"

#include <pthread.h>
#include <string.h>

#define MAX_FILTERS 32

typedef struct Filter {
  int32_t handle; /* 0: free */
  uint16_t pid;
  uint16_t mode;
  FilterCallback callback;
  void *context;
} Filter;

static DeviceCallback callback; /* NULL while only the description was asked for */
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static Filter filters[MAX_FILTERS];
static int32_t lastHandle;
static int locked;
static uint16_t slotPids[4][3];

static void Log(int32_t level, const char *text) {
  if (callback != NULL)
    callback(QEV_MSG_LOG, level, (void *)text);
}

static int32_t Open(void) {
  Log(0, "Example: device opened");
  return 0;
}

static void Close(void) {
  pthread_mutex_lock(&lock);
  memset(filters, 0, sizeof filters);
  locked = 0;
  pthread_mutex_unlock(&lock);
}

static int32_t Tune(const TuneRequest *request) {
  /* A real card: set LNB voltage, tone and frequency (request->Frequency - LnbFrequency, as an
     intermediate frequency), handle request->DiseqcHint if the card switches by itself. */
  if (request->Voltage == QEV_LNB_SUPPLY_ON || request->Voltage == QEV_LNB_SUPPLY_OFF)
    return 0; /* only the LNB supply */
  Log(0, "Example: tuning");
  if (callback != NULL)
    callback(QEV_MSG_PUMP, 0, NULL); /* keeps the program's windows alive meanwhile */
  pthread_mutex_lock(&lock);
  locked = request->Frequency != 0 && (request->Voltage == 13 || request->Voltage == 18);
  pthread_mutex_unlock(&lock);
  return 0;
}

static int32_t GetSignalStatus(SignalStatus *status) {
  pthread_mutex_lock(&lock);
  const int isLocked = locked;
  pthread_mutex_unlock(&lock);
  status->Level = isLocked ? 75 : 0;
  status->Quality = isLocked ? 80 : 0;
  status->Bits = isLocked ? QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER | QEV_SIGNAL_VITERBI |
                                QEV_SIGNAL_SYNC | QEV_SIGNAL_LOCK
                          : 0;
  return 0;
}

static int32_t SendDiseqc(const uint8_t *bytes, int32_t length, int32_t burst) {
  if (burst == 1 || burst == 2)
    return 0; /* a real card: tone burst A or B */
  if (bytes == NULL || length < 3 || length > 8)
    return -1;
  return 0; /* a real card: put the bytes on the bus */
}

static int32_t SetChannelPids(int32_t slot, uint16_t audioPid, uint16_t videoPid, uint16_t pcrPid,
                              int32_t flags) {
  (void)flags;
  if (slot < 0 || slot > 3)
    return -1;
  pthread_mutex_lock(&lock);
  slotPids[slot][0] = audioPid;
  slotPids[slot][1] = videoPid;
  slotPids[slot][2] = pcrPid;
  pthread_mutex_unlock(&lock);
  return 0;
}

static int32_t SetTeletextPid(int32_t reserved, int32_t pid) {
  (void)reserved, (void)pid;
  return 0;
}

static int KnownMode(uint16_t mode) {
  return mode == QEV_DELIVER_PAYLOADS || mode == QEV_DELIVER_SECTIONS ||
         mode == QEV_DELIVER_PACKETS || mode == QEV_DELIVER_AV_SLOT(0) ||
         mode == QEV_DELIVER_AV_SLOT(1) || mode == QEV_DELIVER_AV_SLOT(2) ||
         mode == QEV_DELIVER_AV_SLOT(3);
}

static int HandleInUse(int32_t handle) {
  for (int i = 0; i < MAX_FILTERS; ++i)
    if (filters[i].handle == handle)
      return 1;
  return 0;
}

static int32_t StartFilter(uint16_t pid, FilterCallback cb, uint16_t mode, const uint8_t *match,
                           const uint8_t *mask, uint8_t flags, void *context) {
  (void)match, (void)mask, (void)flags; /* a real card: program its section filter */
  if (cb == NULL || pid > QEV_PID_ALL || !KnownMode(mode) ||
      (pid == QEV_PID_ALL && mode == QEV_DELIVER_SECTIONS))
    return -1;
  int32_t handle = -1;
  pthread_mutex_lock(&lock);
  for (int i = 0; i < MAX_FILTERS; ++i) {
    if (filters[i].handle != 0)
      continue;
    /* Handles run on (1..0x7FFF), so a stopped one is not handed out again at once. */
    do
      lastHandle = lastHandle % QEV_FILTER_HANDLE_MAX + 1;
    while (HandleInUse(lastHandle));
    filters[i] = (Filter){lastHandle, pid, mode, cb, context};
    handle = lastHandle;
    break;
  }
  pthread_mutex_unlock(&lock);
  return handle;
}

static int32_t StopFilter(int32_t handle) {
  int32_t result = -1;
  /* Holding the lock that delivery would hold, so no callback runs once this returns. */
  pthread_mutex_lock(&lock);
  for (int i = 0; i < MAX_FILTERS; ++i)
    if (filters[i].handle == handle && handle != 0) {
      memset(&filters[i], 0, sizeof filters[i]);
      result = 0;
    }
  pthread_mutex_unlock(&lock);
  return result;
}

static intptr_t GetDeviceInfo(int32_t code, intptr_t parameter) {
  switch (code) {
  case QEV_INFO_DISEQC_LEVEL:
    return 12; /* DiSEqC 1.2: the program sends switch and positioner messages */
  case QEV_INFO_ALL_PIDS:
    return 1;
  case QEV_INFO_DECODER:
    return 0;
  case QEV_INFO_TEXT:
    strncpy((char *)parameter, "example, no hardware", QEV_INFO_TEXT_MAX);
    ((char *)parameter)[QEV_INFO_TEXT_MAX] = '\0';
    return 1;
  default:
    return 0;
  }
}

const uint16_t DvbCard_FileVersion[4] = {1, 0, 0, 0};

void DvbCard_SetCallback(DeviceCallback cb) { callback = cb; }

int32_t DvbCard_GetDescription(DeviceDescription *d) {
  /* Also called for the device list, without DvbCard_SetCallback: no callback here. */
  if (d->Version != QEV_DEVAPI_DESCRIPTION_PROBE)
    return 1;
  d->Version = QEV_DEVAPI_VERSION;
  strncpy(d->Name, "QEV Example", sizeof d->Name - 1);
  strncpy(d->Author, "QEV-DVB", sizeof d->Author - 1);
  d->VideoStreams = 1;
  d->VideoDecoders = 1;
  d->MinFilters = MAX_FILTERS;
  d->Packets188 = 1;
  d->StreamExtLength = 3;
  memcpy(d->StreamExt, ".ts", 3);
  return 0;
}

int32_t DvbCard_GetInterface(DeviceInterface *table) {
  if (table->Version != QEV_DEVAPI_VERSION)
    return 1;
  table->OpenDevice = Open;
  table->CloseDevice = Close;
  table->Tune = Tune;
  table->GetSignalStatus = GetSignalStatus;
  table->SendDiseqc = SendDiseqc;
  table->SetChannelPids = SetChannelPids;
  table->SetTeletextPid = SetTeletextPid;
  table->StartFilter = StartFilter;
  table->StopFilter = StopFilter;
  table->GetDeviceInfo = GetDeviceInfo;
  return 0;
}
