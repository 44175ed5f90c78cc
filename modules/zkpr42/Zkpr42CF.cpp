#include "modules/zkpr42/Zkpr42CF.h"

namespace kv {

VCL_IMPLEMENT_COMPONENT(TfrmZkpr42, TfrmBaseGene)

void TfrmZkpr42::Publish(vcl::TPublisher&) {}

TfrmZkpr42::TfrmZkpr42(vcl::TComponent* owner) : TfrmBaseGene(owner) {
  SetName("frmZkpr42");
  Version = "20020702";
}

}  // namespace kv
