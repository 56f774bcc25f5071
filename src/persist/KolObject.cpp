#include "KolObject.h"
