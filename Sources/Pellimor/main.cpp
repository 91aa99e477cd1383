#include "Manual/ProblemReport.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("%s\n", qPrintable(pellimor::ProblemReport::appVersion()));
    return 0;
}
