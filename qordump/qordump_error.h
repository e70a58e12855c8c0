// Every way a qordump run can fail. qordump_run.cpp alone turns it into the message.
#pragma once

enum class QordumpError {
    OK,
    UNKNOWN_OPTION,   // an argument that begins with "-" and is no option
    NOT_ONE_PROJECT,  // no project, or more than one
    PROJECT,          // the project's files cannot be read or do not fit together
};
