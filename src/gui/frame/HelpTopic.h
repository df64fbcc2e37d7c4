#pragma once

// The help pages shipped beside the program. The numbers are the context
// numbers the help pages were written for: dialogs 1 to 3, the wizard's
// pages 21 to 26 in tab order.
enum class HelpTopic : int
{
    Contents = 0,
    AddFolder = 1,
    AddUser = 2,
    CreateTemplate = 3,
    Files = 21,
    Password = 22,
    Login = 23,
    Template = 24,
    Protect = 25,
    Result = 26,
};
