#include "video/gst/gst_filter_registry.h"

#include "video/gst/gst_aliases.h"
#include "video/gst/gst_runtime.h"

#include <gst/gst.h>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <memory>
#include <system_error>

namespace qev::video::gst {

namespace {

struct TUnref {
  void operator()(gpointer object) const { gst_object_unref(object); }
};
template <typename T> using TRef = std::unique_ptr<T, TUnref>;

TRef<GstElementFactory> FindFactory(const std::string &name) {
  if (!StartGstreamer().empty() || name.empty())
    return nullptr;
  return TRef<GstElementFactory>(gst_element_factory_find(name.c_str()));
}

std::string Metadata(GstElementFactory *factory, const char *key) {
  const gchar *value = gst_element_factory_get_metadata(factory, key);
  return value ? value : "";
}

bool FileExists(const char *path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

// The description every plugin exports: under a fixed name, or named after the plugin file
// ("libgstfoo.so" exports gst_plugin_foo_get_desc).
bool HasPluginDescription(void *library, const std::string &file) {
  if (dlsym(library, "gst_plugin_desc"))
    return true;
  std::string name = std::filesystem::path(file).stem().string();
  for (const char *prefix : {"libgst", "lib"})
    if (name.starts_with(prefix)) {
      name.erase(0, std::string_view(prefix).size());
      break;
    }
  std::replace(name.begin(), name.end(), '-', '_');
  return dlsym(library, ("gst_plugin_" + name + "_get_desc").c_str()) != nullptr;
}

std::string PropertyValue(GObject *object, GParamSpec *spec) {
  GValue value = G_VALUE_INIT;
  g_value_init(&value, spec->value_type);
  g_object_get_property(object, spec->name, &value);
  gchar *text = g_strdup_value_contents(&value);
  std::string result = text ? text : "";
  g_free(text);
  g_value_unset(&value);
  return result;
}

} // namespace

bool ClassFitsKind(std::string_view klass, int kind) {
  const auto has = [&](std::string_view word) { return klass.find(word) != std::string::npos; };
  switch (kind) {
  case 1:
    return has("Decoder") && has("Video");
  case 2:
    return has("Decoder") && has("Audio");
  case 3:
    return has("Filter") && has("Video") && !has("Decoder") && !has("Encoder");
  case 4:
    return has("Filter") && has("Audio") && !has("Decoder") && !has("Encoder");
  case 5:
    return has("Sink") && has("Video");
  case 6:
    return has("Sink") && has("Audio");
  default:
    return false;
  }
}

TFilterRegistration TGstFilterRegistry::CheckFilterRegistration(const std::string &classId) {
  if (classId.empty())
    return {kFilterNoClassId, "", ""};
  if (AliasRole(classId))
    return {kFilterUsable, classId, ""};
  const TRef<GstElementFactory> factory = FindFactory(classId);
  if (!factory)
    return {kFilterClassMissing, "", ""};
  TFilterRegistration registration{kFilterUsable,
                                   Metadata(factory.get(), GST_ELEMENT_METADATA_LONGNAME), ""};
  const TRef<GstPlugin> plugin(gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(factory.get())));
  if (plugin && gst_plugin_get_filename(plugin.get())) {
    registration.LibraryPath = gst_plugin_get_filename(plugin.get());
    if (!FileExists(registration.LibraryPath.c_str())) {
      registration.Status = kFilterLibraryMissing;
      return registration;
    }
  }
  const TRef<GstPluginFeature> loaded(gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory.get())));
  if (!loaded)
    registration.Status = kFilterCannotLoad;
  return registration;
}

int TGstFilterRegistry::RegisterFilterLibrary(const std::string &libraryFile) {
  if (!StartGstreamer().empty())
    return kRegisterFailed;
  void *library = dlopen(libraryFile.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!library)
    return kRegisterCannotLoad;
  const bool plugin = HasPluginDescription(library, libraryFile);
  dlclose(library);
  if (!plugin)
    return kRegisterNoEntry;
  GError *error = nullptr;
  GstPlugin *loaded = gst_plugin_load_file(libraryFile.c_str(), &error);
  if (error)
    g_error_free(error);
  if (!loaded)
    return kRegisterFailed;
  gst_object_unref(loaded);
  return kRegisterOk;
}

std::vector<TSystemFilter> TGstFilterRegistry::ListFilters(int kind) {
  std::vector<TSystemFilter> filters;
  if (!StartGstreamer().empty())
    return filters;
  GList *features = gst_registry_get_feature_list(gst_registry_get(), GST_TYPE_ELEMENT_FACTORY);
  for (GList *item = features; item; item = item->next) {
    auto *factory = GST_ELEMENT_FACTORY(item->data);
    if (ClassFitsKind(Metadata(factory, GST_ELEMENT_METADATA_KLASS), kind))
      filters.push_back(
          {GST_OBJECT_NAME(factory), Metadata(factory, GST_ELEMENT_METADATA_LONGNAME)});
  }
  gst_plugin_feature_list_free(features);
  std::sort(filters.begin(), filters.end(), [](const auto &a, const auto &b) {
    return a.Name != b.Name ? a.Name < b.Name : a.ClassId < b.ClassId;
  });
  return filters;
}

TFilterPins TGstFilterRegistry::ListPins(const std::string &classId) {
  TFilterPins pins;
  const TRef<GstElementFactory> factory = FindFactory(classId);
  if (!factory)
    return pins;
  for (const GList *item = gst_element_factory_get_static_pad_templates(factory.get()); item;
       item = item->next) {
    const auto *pad = static_cast<const GstStaticPadTemplate *>(item->data);
    (pad->direction == GST_PAD_SINK ? pins.Inputs : pins.Outputs).push_back(pad->name_template);
  }
  pins.Listed = true;
  return pins;
}

std::vector<std::string> TGstFilterRegistry::DescribeProperties(const std::string &classId) {
  std::vector<std::string> lines;
  const TRef<GstElementFactory> factory = FindFactory(classId);
  if (!factory)
    return lines;
  GstElement *element = gst_element_factory_create(factory.get(), nullptr);
  if (!element)
    return lines;
  gst_object_ref_sink(element);
  guint count = 0;
  GParamSpec **specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
  for (guint i = 0; i < count; ++i)
    if ((specs[i]->flags & G_PARAM_READABLE) && g_strcmp0(specs[i]->name, "parent") != 0)
      lines.push_back(std::string(specs[i]->name) + ": " +
                      PropertyValue(G_OBJECT(element), specs[i]));
  g_free(specs);
  gst_object_unref(element);
  return lines;
}

} // namespace qev::video::gst
