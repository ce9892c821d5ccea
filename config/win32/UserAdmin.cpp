#include "config/win32/UserAdmin.h"

#include "support/win32/UniqueResource.h"

using namespace kestrova;

namespace {

KVResult IsMember(HANDLE token, PSID sid, bool& isMember) {
  BOOL member = FALSE;
  if (!::CheckTokenMembership(token, sid, &member)) return KVLastError();
  isMember = member != FALSE;
  return KV_OK;
}

}  // namespace

KVResult IsUserAdmin(bool& isAdmin, HANDLE token) {
  isAdmin = false;
  alignas(SID) BYTE sid[68] = {};
  DWORD sidSize = sizeof(sid);
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize)) return KVLastError();

  const KVResult result = IsMember(token, sid, isAdmin);
  if (result != ERROR_NO_IMPERSONATION_TOKEN) return result;
  if (token == nullptr) return KV_E_EMPTY_HANDLE;
  KVUniqueHandle impersonation;
  if (!::DuplicateToken(token, SecurityImpersonation, impersonation.put())) return KVLastError();
  return IsMember(impersonation.get(), sid, isAdmin);
}
