// The colour work of one frame: every effect of the list active at time t
// renders its line, which is combined into the main line with the effect's
// alpha and add values at t. List order is combining order, so the front
// effect goes first and the back one ends on top.
#pragma once

class VColorLine;
class VList;

void CombineEffects(const VList& effects, float t, VColorLine& mainLine);
