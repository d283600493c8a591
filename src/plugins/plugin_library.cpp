#include "plugins/plugin_library.h"

#include "frame/string_utils.h"

#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace qev::plugins {
namespace {

// A menu text longer than this is taken as unterminated and cut.
constexpr std::size_t kMenuTextLimit = 64 * 1024;
constexpr int kMaxMenuId = 0xFFFF;

template <typename F> F Symbol(void *module, const char *name) {
  return reinterpret_cast<F>(dlsym(module, name));
}

std::string CutUtf8(std::string text, std::size_t bytes) {
  if (text.size() <= bytes)
    return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  text.resize(end);
  return text;
}

std::string ReadMenuFile(const std::filesystem::path &library) {
  std::filesystem::path file = library;
  file.replace_extension(".menu");
  std::ifstream in(file, std::ios::binary);
  if (!in)
    return {};
  std::ostringstream text;
  text << in.rdbuf();
  return CutUtf8(text.str(), kMenuTextLimit);
}

// Parses lines into items until END or the end of the text.
void ParseItems(std::istringstream &lines, std::vector<TPluginMenuItem> &items) {
  std::string line;
  while (std::getline(lines, line)) {
    const std::string text = frame::Trim(line);
    if (text.empty() || text[0] == ';' || text[0] == '-')
      continue;
    if (frame::EqualsNoCase(text, "END"))
      return;
    if (text.size() > 6 && frame::EqualsNoCase(text.substr(0, 6), "POPUP ")) {
      TPluginMenuItem popup{0, frame::Trim(text.substr(6)), {}};
      ParseItems(lines, popup.Items);
      items.push_back(std::move(popup));
      continue;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
      continue;
    int id = 0;
    try {
      id = std::stoi(text.substr(0, equals));
    } catch (...) {
      continue;
    }
    if (id > 0 && id <= kMaxMenuId)
      items.push_back({id, frame::Trim(text.substr(equals + 1)), {}});
  }
}

} // namespace

bool FindExports(void *module, TPluginExports &exports) {
  exports.SendName = Symbol<On_Send_Dll_ID_Name_t>(module, "On_Send_Dll_ID_Name");
  exports.Start = Symbol<On_Start_t>(module, "On_Start");
  if (!exports.SendName || !exports.Start)
    return false;
  exports.MenuSelect = Symbol<On_Menu_Select_t>(module, "On_Menu_Select");
  exports.ChannelChange = Symbol<On_Channel_Change_t>(module, "On_Channel_Change");
  exports.Exit = Symbol<On_Exit_t>(module, "On_Exit");
  exports.FilterClose = Symbol<On_Filter_Close_t>(module, "On_Filter_Close");
  return true;
}

std::string PluginNameFrom(const char (&buffer)[QEV_MDAPI_NAME_BUFFER]) {
  const std::string text(buffer, strnlen(buffer, sizeof buffer));
  return CutUtf8(frame::Trim(text), kPluginNameChars);
}

std::vector<TPluginMenuItem> ParseMenuText(std::string_view text) {
  std::istringstream lines{std::string(text)};
  std::vector<TPluginMenuItem> items;
  ParseItems(lines, items);
  return items;
}

std::vector<TPluginMenuItem> LoadPluginMenu(void *module, const std::filesystem::path &library) {
  if (const auto *text = Symbol<const char *>(module, "MdApi_ExternMenu"))
    return ParseMenuText({text, strnlen(text, kMenuTextLimit)});
  return ParseMenuText(ReadMenuFile(library));
}

bool IsPluginFileName(const std::filesystem::path &path) {
  return frame::EqualsNoCase(path.extension().string(), ".so");
}

} // namespace qev::plugins
