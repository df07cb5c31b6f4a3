// The Encrypt menu and the passwords dialog.
#include "image/PictoriumDoc.h"

namespace veilpane {

void CPictoriumDoc::OnEncryptFile() {}
void CPictoriumDoc::OnDecryptFile() {}
void CPictoriumDoc::OnEncryptFolder() {}
void CPictoriumDoc::OnDecryptFolder() {}
void CPictoriumDoc::OnEncryptDecryptMessage() {}
void CPictoriumDoc::OnSettingsPasswords() {}

} // namespace veilpane
