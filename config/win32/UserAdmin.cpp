#include "config/win32/UserAdmin.h"

#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

namespace {

KVResult IsMember(HANDLE token, PSID sid, bool& isMember) {
  BOOL member = FALSE;
  // No impersonation token is a normal answer for a primary token: the caller retries with a copy.
  if (!::CheckTokenMembership(token, sid, &member)) return KVLastError();
  isMember = member != FALSE;
  return KV_OK;
}

}  // namespace

KVResult IsUserAdmin(bool& isAdmin, HANDLE token) {
  isAdmin = false;
  alignas(SID) BYTE sid[68] = {};
  DWORD sidSize = sizeof(sid);
  KV_RETURN_IF_WIN32_FALSE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize),
                           "creating the Administrators SID");

  const KVResult result = IsMember(token, sid, isAdmin);
  if (result != ERROR_NO_IMPERSONATION_TOKEN) {
    KV_RETURN_IF_FAILED(result, "checking membership in Administrators");
    return KV_OK;
  }
  if (token == nullptr) return KV_FAIL(KV_E_EMPTY_HANDLE, "checking membership in Administrators: no token");
  KVUniqueHandle impersonation;
  KV_RETURN_IF_WIN32_FALSE(::DuplicateToken(token, SecurityImpersonation, impersonation.put()),
                           "copying the process token to check membership in Administrators");
  KV_RETURN_IF_FAILED(IsMember(impersonation.get(), sid, isAdmin), "checking membership in Administrators");
  return KV_OK;
}
