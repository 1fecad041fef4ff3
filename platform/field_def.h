#pragma once
// Description of one persistent field of a client dataset.
#include "platform/data_packet.h"

#include <string>

namespace totem {

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Text;
  int size = 0;              // maximum length in characters; 0 for date-time
  std::string displayLabel;  // column title in grids and search lists
  bool visible = true;       // shown by grids and search lists
  int displayWidth = 0;      // preferred width in characters; 0 = from size
};

}  // namespace totem
