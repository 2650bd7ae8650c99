#pragma once

#include "files/FolderSeparator.h"

#include <QString>

namespace zkd {

// The name under which Save stores the working file, made from the name the
// save dialog returned: every "." of the file-name part (the text after the
// last separator) is removed, the folder part is kept as it is; a name that
// then ends in exactly "CSV" or "csv" loses those three characters, and ".csv"
// is appended. "my.data.CSV" becomes "mydata.csv", "Test.txt" "Testtxt.csv",
// "Test.Csv" "TestCsv.csv".
QString normaliseSaveName(const QString &chosen, QChar separator = kFolderSeparator);

} // namespace zkd
