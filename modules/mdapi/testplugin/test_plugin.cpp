// The host's test plugin: records what the host gives it and sends commands on request.

#include "test_plugin.h"

#include <cstring>
#include <thread>

using qev_test_plugin::TState;

namespace {

TState g_state;
std::thread g_thread;

std::intptr_t Send(std::uint32_t code, std::intptr_t parameter) {
  const TPlgHostTable *host = g_state.Host;
  return host ? host->SendMessage(g_state.Window, QEV_MDAPI_MESSAGE, code, parameter) : 0;
}

void Record(const std::string &line) {
  std::lock_guard lock(g_state.JournalMutex);
  g_state.Journal.push_back(line + ":" + std::to_string(g_state.Number));
}

void CheckBlock(int filter, std::int32_t length, const std::uint8_t *data) {
  const auto pid = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
  if (pid != g_state.ExpectedPid[filter].load())
    ++g_state.WrongFilter;
  std::uint32_t sequence;
  std::memcpy(&sequence, data + 2, sizeof sequence);
  if (sequence != 0 && sequence <= g_state.LastSequence[filter])
    ++g_state.OutOfOrder;
  g_state.LastSequence[filter] = sequence;
  g_state.Bytes[filter] += static_cast<std::uint64_t>(length);
}

void CommandFromCallback() {
  const std::uint32_t code = g_state.CallbackCommand.load();
  if (code == 0)
    return;
  char version[64] = {};
  ++g_state.CallbackSent;
  if (Send(code, reinterpret_cast<std::intptr_t>(version)) != 0)
    ++g_state.CallbackAnswered;
}

} // namespace

extern "C" {

QEV_MDAPI_EXPORT void OnTestData(std::int32_t filterId, std::int32_t length,
                                 const std::uint8_t *data) {
  if (++g_state.ConcurrentCalls > 1)
    ++g_state.Overlaps;
  if (filterId >= 0 && filterId < qev_test_plugin::kFilters && length >= 6 && data)
    CheckBlock(filterId, length, data);
  CommandFromCallback();
  --g_state.ConcurrentCalls;
}

const char MdApi_ExternMenu[] = "1=First\n"
                                "POPUP More\n"
                                "  2=Second\n"
                                "END\n"
                                "-\n"
                                "3=Third\n";

QEV_MDAPI_EXPORT void On_Send_Dll_ID_Name(char *name) {
  std::memcpy(name, "  QEV Test Plugin  ", 20);
}

QEV_MDAPI_EXPORT void On_Start(const TPlgHostTable *host, std::uintptr_t window,
                               std::int32_t logFlag, std::int32_t pluginNumber,
                               std::uint8_t *startArea, const char *version, std::int32_t *result) {
  g_state.Host = host;
  g_state.Window = window;
  g_state.LogFlag = logFlag;
  g_state.Number = pluginNumber;
  g_state.StartArea = startArea;
  std::memcpy(g_state.StartAreaAtStart, startArea, QEV_MDAPI_START_AREA);
  g_state.Version = version ? version : "";
  g_state.ResultPreset = result ? *result : 0;
}

QEV_MDAPI_EXPORT void On_Channel_Change(TPlgChannelInfo info) {
  g_state.LastChannel = info;
  ++g_state.ChannelChanges;
}

QEV_MDAPI_EXPORT void On_Menu_Select(std::uint32_t menuId) {
  g_state.MenuSelected = static_cast<int>(menuId);
}

QEV_MDAPI_EXPORT void On_Filter_Close(std::uint32_t filterId) {
  Record("close" + std::to_string(filterId));
}

QEV_MDAPI_EXPORT void On_Exit(const TPlgHostTable *, std::uintptr_t, std::int32_t) {
  if (g_thread.joinable())
    g_thread.join();
  ++g_state.Exits;
  Record("exit");
}

QEV_MDAPI_EXPORT TState *TestPlugin_State() { return &g_state; }

QEV_MDAPI_EXPORT std::intptr_t TestPlugin_Send(std::uint32_t code, std::intptr_t parameter) {
  return Send(code, parameter);
}

QEV_MDAPI_EXPORT void TestPlugin_Thread(int count) {
  if (g_thread.joinable())
    g_thread.join();
  if (count <= 0)
    return;
  g_thread = std::thread([count] {
    for (int i = 0; i < count; ++i) {
      char version[64] = {};
      ++g_state.ThreadSent;
      if (Send(QEV_MDAPI_GET_VERSION, reinterpret_cast<std::intptr_t>(version)) == 1 &&
          std::strcmp(version, QEV_MDAPI_VERSION_TEXT) == 0)
        ++g_state.ThreadAnswered;
    }
  });
}

} // extern "C"
