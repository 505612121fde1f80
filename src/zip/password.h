#pragma once
// The password for an archive's encrypted entries, asked of the observer until one opens them.
#include "zip/catalog.h"
#include "zip/decrypt.h"

namespace zip {

// Each answer is tried in the byte forms writers use: for AES UTF-8, then the ANSI code page; for
// traditional encryption the ANSI code page, the OEM code page, then UTF-8. A form opens the entries
// of its kind when every check byte (traditional) or the first entry's verifier (AES, costly to
// derive) passes. A traditional check byte passes 1 wrong password in 256: while another form is
// left, the smallest entry is decrypted whole and its CRC-32 decides.
Error ChoosePasswords(const os::File& archive, const Catalog& catalog, Observer& observer, Keys& keys);

}  // namespace zip
