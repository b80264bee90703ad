// Keeping the key block durable: a password must be on disk before anything is encrypted
// under it, or a crash leaves ciphertext that no stored password can ever open.
#include <vector>

#include "document/zolt.h"
#include "model/todo_list_todo.h"

int Zolt::storeAddedPasswords(int nPwdsBefore, bool hadMasterKey) {
  if (keys.GetNumPwds() <= nPwdsBefore || journalBase.empty()) return 0;
  // The whole master file goes out at once with the new block: a journal record could
  // carry it too, but the full save needs no second way to read a key block.
  if (incsave_compact(journalBase.c_str()) == 0) return 0;
  keys.DropPwdsFrom(nPwdsBefore, !hadMasterKey);
  return -1;
}

// Held in clear though marked for encryption, with no ciphertext to write back.
static bool heldInClear(const ToDoListToDo& t) {
  const DescrData& d = t.getDescrData();
  return (d.getFlags() & kDescrSaveCrypt) && !(d.getFlags() & kDescrEncrypted) && !d.hasOrig() &&
         d.getData() != nullptr;
}

int Zolt::sealClearDescriptions() {
  if (!keys.IsLoggedIn() || journalBase.empty()) return 0;
  std::vector<ToDoListItem*> items;
  root->collectSubtree(items);
  for (ToDoListItem* item : items) {
    const ToDoListToDo* t = dynamic_cast<const ToDoListToDo*>(item);
    if (t != nullptr && heldInClear(*t)) return incsave_compact(journalBase.c_str());
  }
  return 0;
}
