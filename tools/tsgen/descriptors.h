#pragma once

#include <string_view>
#include <vector>

#include "transponder.h"

namespace qev::tsgen::descriptor {

// Each function appends one descriptor (or, for long event text, several) to `out`.
void Language(ByteWriter &out, std::string_view code);
void Ac3(ByteWriter &out);
void EnhancedAc3(ByteWriter &out);
void Aac(ByteWriter &out);
void Teletext(ByteWriter &out, const std::vector<TeletextRef> &pages);
void Ca(ByteWriter &out, const CaSystem &ca);
void CaEmm(ByteWriter &out, const EmmEntry &emm);
void Service(ByteWriter &out, const tsgen::Service &service);
void NetworkName(ByteWriter &out, std::string_view name, const Charset &charset);
void ServiceList(ByteWriter &out, const std::vector<tsgen::Service> &services);
void SatelliteDelivery(ByteWriter &out, const tsgen::SatelliteDelivery &delivery);
// The event's short event descriptor and one more for each translation.
void ShortEvents(ByteWriter &out, const Event &event, const Charset &charset);
// The start and duration fields of an event.
void PutEventTimes(ByteWriter &out, const Event &event);
void ExtendedEvents(ByteWriter &out, const Event &event, const Charset &charset);
void Content(ByteWriter &out, const std::vector<std::uint8_t> &content);
void ParentalRating(ByteWriter &out, std::string_view country, std::uint8_t rating);
void LocalTimeOffset(ByteWriter &out, std::string_view country, int offsetMinutes,
                     UtcSeconds nextChange, int nextOffsetMinutes);

} // namespace qev::tsgen::descriptor
