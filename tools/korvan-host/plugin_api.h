// The plug-in's exported functions as the host calls them (C calling
// convention), found by their plain alias names.
#pragma once

#include "date_time.h"

namespace korvan::host {

using Text = const char*;
using DT = DateTime*;

// Positions 1..33: 2 texts, 4 date-times, 2 unsigned, 15 texts, 3 ints,
// 2 doubles, 5 texts.
using AddDataFn = int (*)(Text, Text, DT, DT, DT, DT, unsigned, unsigned,                    //
                          Text, Text, Text, Text, Text, Text, Text, Text, Text, Text, Text,  //
                          Text, Text, Text, Text,                                            //
                          int, int, int, double, double,                                     //
                          Text, Text, Text, Text, Text);

// Positions 1..23: text, int, text, 2 date-times, 10 texts, 3 ints,
// 2 doubles, 3 texts.
using ResetStatsFn = int (*)(Text, int, Text, DT, DT,                                //
                             Text, Text, Text, Text, Text, Text, Text, Text, Text, Text,  //
                             int, int, int, double, double,                          //
                             Text, Text, Text);

// Positions 1..28: text, 2 unsigned, 11 texts, 3 ints, 2 doubles, 7 texts,
// 2 out-buffers.
using CheckCallFn = int (*)(Text, unsigned, unsigned,                                          //
                            Text, Text, Text, Text, Text, Text, Text, Text, Text, Text, Text,  //
                            int, int, int, double, double,                                     //
                            Text, Text, Text, Text, Text, Text, Text,                          //
                            char*, char*);

using IsValidExchgFn = int (*)(Text, Text, Text, Text, int, int, int);
using GetExchgCountFn = int (*)(Text, Text, Text);
using GetResultFn = const char* (*)(int*);
using GetSetNameFn = const char* (*)(int);
using GetNumberOfSetsFn = int (*)();
using SetupSetFn = void (*)();
using SetVersionFn = unsigned long (*)(const char*);

struct PluginApi {
    AddDataFn addData = nullptr;
    AddDataFn removeData = nullptr;
    ResetStatsFn resetStats = nullptr;
    CheckCallFn checkCall = nullptr;
    IsValidExchgFn isValidExchg = nullptr;
    GetExchgCountFn getExchgCount = nullptr;
    GetResultFn getResult = nullptr;
    GetSetNameFn getSetName = nullptr;
    GetNumberOfSetsFn getNumberOfSets = nullptr;
    SetupSetFn setupSet = nullptr;
    SetVersionFn setVersion = nullptr;
};

}  // namespace korvan::host
