// The ZKPR42 attendance report's condition form.
#pragma once

#include "framework/BaseGene.h"

namespace kv {

class TfrmZkpr42 : public TfrmBaseGene {
  VCL_DECLARE_COMPONENT(TfrmZkpr42)
 public:
  explicit TfrmZkpr42(vcl::TComponent* owner);
};

}  // namespace kv
