#pragma once
// The config file the package ships, made at build time from its template
// (deploy/totem-server.conf.in), so that the defaults it shows commented out
// are the ones the server applies: they come from the option table itself.
#include <istream>
#include <ostream>

namespace totem::server {

// Copies the template, replacing each line "#= KEY" with the option's
// default commented out ("# KEY = VALUE") and the line "#= limites" with
// every limit per client's. Throws UsageError naming an unknown KEY.
void FillConfigTemplate(std::istream& in, std::ostream& out);

}  // namespace totem::server
