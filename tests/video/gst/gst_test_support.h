#pragma once

#include "video/gst/gst_graph_factory.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>

namespace qev::video::testing {

// The factory names among these that this machine lacks ("" when it has them all).
inline std::string MissingElements(std::initializer_list<const char *> factories) {
  TGstGraphFactory factory(TRenderMode::Count);
  if (!factory.CreateGraph())
    return "GStreamer";
  std::string missing;
  for (const char *name : factories)
    if (GstElementFactory *f = gst_element_factory_find(name); f != nullptr)
      gst_object_unref(f);
    else
      missing += std::string(missing.empty() ? "" : ", ") + name;
  return missing;
}

#define QEV_REQUIRE_ELEMENTS(...)                                                                  \
  do {                                                                                             \
    const std::string missing = ::qev::video::testing::MissingElements({__VA_ARGS__});             \
    if (!missing.empty())                                                                          \
      GTEST_SKIP() << "missing GStreamer elements: " << missing;                                   \
  } while (false)

// Waits until the condition holds, at most the time given; whether it held.
inline bool WaitFor(const std::function<bool()> &condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

} // namespace qev::video::testing
