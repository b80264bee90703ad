// Keeping the key block durable: a password must be on disk before anything is encrypted
// under it, or a crash leaves ciphertext that no stored password can ever open.
#include "document/zolt.h"

int Zolt::storeAddedPasswords(int nPwdsBefore, bool hadMasterKey) {
  if (keys.GetNumPwds() <= nPwdsBefore || journalBase.empty()) return 0;
  // The whole master file goes out at once with the new block: a journal record could
  // carry it too, but the full save needs no second way to read a key block.
  if (incsave_compact(journalBase.c_str()) == 0) return 0;
  keys.DropPwdsFrom(nPwdsBefore, !hadMasterKey);
  return -1;
}
