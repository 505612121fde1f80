#pragma once
// The passwords for an archive's encrypted entries, asked of the observer until every entry is open.
#include "engine/zip/catalog.h"
#include "engine/zip/decrypt.h"

namespace zip {

// Each answer is tried, in the byte forms writers use (for AES UTF-8, then the ANSI code page; for
// traditional encryption the ANSI code page, the OEM code page, then UTF-8), on every entry still
// locked, as entries may have passwords of their own. A form opens an entry when its check passes
// and the data then matches: a check passes 1 wrong password in 256 (traditional) or 65536 (AES).
// Each one's own data decides, but when the check passes on all the entries of a kind still locked
// and they hold more than 16 MiB, the smallest one's data decides for them all (one password for
// the archive, the common case): an entry of another password passing by chance too, 1 in 256 for
// each such traditional entry, is then told damaged when extracted. An empty entry's data, none,
// matches any key: an answer that opens only empty ones while entries with data are locked opens none.
// An answer that opens nothing, its check passed where the data did not match, may be a chance
// pass: it is called wrong and asked again, and given again by the person (not remembered from an
// earlier archive) it is damage.
Error ChoosePasswords(const os::File& archive, const Catalog& catalog, Observer& observer, Keys& keys);

}  // namespace zip
