// The event query over a GL fence.
#include "runtime/d3d9/query.h"

namespace ember::d3d9 {

EventQuery* EventQuery::Create(Device* device) {
  EventQuery* query = new EventQuery(device);
  query->TakeFirstReference();
  return query;
}

EventQuery::~EventQuery() {
  if (fence_) glDeleteSync(fence_);
}

HRESULT EventQuery::Issue(DWORD issueFlags) {
  // An event has an end only.
  if (issueFlags != D3DISSUE_END) return D3DERR_INVALIDCALL;
  if (fence_) glDeleteSync(fence_);
  fence_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  return D3D_OK;
}

HRESULT EventQuery::GetData(void* data, DWORD size, DWORD getDataFlags) {
  if (size != 0 && (!data || size < sizeof(BOOL))) return D3DERR_INVALIDCALL;
  // A query never issued has nothing to wait for.
  bool done = true;
  if (fence_) {
    const GLbitfield flush = (getDataFlags & D3DGETDATA_FLUSH) ? GL_SYNC_FLUSH_COMMANDS_BIT : 0;
    const GLenum state = glClientWaitSync(fence_, flush, 0);
    done = state == GL_ALREADY_SIGNALED || state == GL_CONDITION_SATISFIED;
  }
  if (!done) return S_FALSE;
  if (size != 0) *static_cast<BOOL*>(data) = TRUE;
  return S_OK;
}

HRESULT Device::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) {
  if (type != D3DQUERYTYPE_EVENT) return D3DERR_NOTAVAILABLE;
  if (!query) return D3D_OK;
  *query = EventQuery::Create(this);
  return D3D_OK;
}

}  // namespace ember::d3d9
