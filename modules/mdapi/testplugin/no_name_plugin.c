/* A library that looks like a plugin but lacks the name export: the host must skip it. */
#include "qev_mdapi.h"

QEV_MDAPI_EXPORT void On_Start(const TPlgHostTable *host, uintptr_t window, int32_t logFlag,
                               int32_t pluginNumber, uint8_t *startArea, const char *version,
                               int32_t *result) {
  (void)host;
  (void)window;
  (void)logFlag;
  (void)pluginNumber;
  (void)startArea;
  (void)version;
  (void)result;
}
