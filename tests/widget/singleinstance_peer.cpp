// SPDX-License-Identifier: MIT
// Another process starting up as the program does: it reports on stdout the role
// it got ("primary", "secondary", "unreachable"), and as the primary one line
// "restore" for each request, until it is killed.
#include "platform/session/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>

using alerts::platform::SingleInstance;

namespace {

void say(const char* line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    SingleInstance instance;
    switch (instance.start()) {
    case SingleInstance::Role::Secondary:
        say("secondary");
        return 0;
    case SingleInstance::Role::Unreachable:
        say("unreachable");
        return 1;
    case SingleInstance::Role::Primary:
        break;
    }
    QObject::connect(&instance, &SingleInstance::restoreRequested, [] { say("restore"); });
    say("primary");
    return QCoreApplication::exec();
}
