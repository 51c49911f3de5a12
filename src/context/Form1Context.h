#pragma once

#include "context/Form1Controls.h"
#include "context/Form1Services.h"
#include "context/MainState.h"

// MainState, the controls and the services, owned by Form1. The routines of
// catalog/ and search/ are functions over it.
struct Form1Context
{
    MainState state;
    Form1Controls ui;
    Form1Services services;
};
