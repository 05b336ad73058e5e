#pragma once

#include <QString>

// The indexes the reports' statements want on the scan log, as a script (installed with the
// log's own tables).
QString scriptIndicesReportes();
