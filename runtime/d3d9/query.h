// IDirect3DQuery9 for the event query: a GL fence put in the command stream at Issue, whose
// GetData answers TRUE once the device has finished everything issued before it.
#pragma once

#include "runtime/d3d9/device_child.h"
#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

class EventQuery : public DeviceChild<IDirect3DQuery9> {
 public:
  // With the caller's first reference.
  static EventQuery* Create(Device* device);

  D3DQUERYTYPE GetType() override { return D3DQUERYTYPE_EVENT; }
  DWORD GetDataSize() override { return sizeof(BOOL); }
  HRESULT Issue(DWORD issueFlags) override;
  HRESULT GetData(void* data, DWORD size, DWORD getDataFlags) override;

 private:
  explicit EventQuery(Device* device) : DeviceChild(device) {}
  ~EventQuery() override;

  GLsync fence_ = nullptr;
};

}  // namespace ember::d3d9
