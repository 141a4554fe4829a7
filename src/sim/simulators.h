#pragma once
// The sub-commands of rastrova-sim. Each takes the arguments after its name and
// returns the exit status: 0 success, 2 usage error, 3 file error.

#include <QStringList>

namespace rastrova::sim {

// make-database DIR [--parameters N]
int makeDatabase(const QStringList& args);
extern const char* const kMakeDatabaseUsage;

// adapter --pty [--link-file F] [--dump FILE] [--wire BAUD] [--silent] [--nak] ...
int adapter(const QStringList& args);
extern const char* const kAdapterUsage;
int controller(const QStringList& args); extern const char* const kControllerUsage; // controller --pty ...
int driver(const QStringList& args); extern const char* const kDriverUsage; // driver [--port P] ...

} // namespace rastrova::sim
