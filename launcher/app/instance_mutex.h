// The launcher's single-instance rule: during static initialisation, before the application
// object exists, the executable's name must be one of the variant table's, and the variant's
// named mutex is created. Only its existence matters: it is never waited on or owned.
#pragma once

#include "platform/win.h"

class CInstanceMutex {
 public:
  // Static initialisation of the launcher: a name outside the variant table shows
  // "No proper application name found. 1" and ends the process with exit code 0.
  CInstanceMutex();
  // Creates the mutex of this name (the variant check already done).
  explicit CInstanceMutex(const char* mutexName);
  ~CInstanceMutex();
  CInstanceMutex(const CInstanceMutex&) = delete;
  CInstanceMutex& operator=(const CInstanceMutex&) = delete;

  // The last-error code right after the creation: 0 for a new mutex, ERROR_ALREADY_EXISTS
  // when another process holds the name, another code when the creation failed (the handle is
  // then null and the launcher refuses to start).
  DWORD m_dwCreationError = 0;
  HANDLE m_hMutex = nullptr;

 private:
  void Create(const char* mutexName);
};
