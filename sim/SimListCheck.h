#pragma once
// The simulator's check of a list at the end of a run: the rules every list
// obeys (ListInvariants), and no player lost. Players' levels and charm only
// rise here, so a player who finished his introduction ("GutOver") is on the
// player and charm lists unless they are full and he ranks no higher than their
// last rows (ListInvariants::CheckMembers). The win-streak list lets players go
// by rule every day, and is held to the rules alone.
#include <string>
#include <vector>

#include "SimExtension.h"
#include "host/ListInvariants.h"

// What is wrong with the list, judged by the players of these servers (those
// this process drives); empty when nothing is.
std::string SimListFault(const PubDataStore& store, const ListInvariants::ListShape& list,
                         const std::vector<SimServerState>& servers);
// The players of these servers missing from the list though no rule took them off.
std::string SimLostPlayers(const PubDataStore& store, const ListInvariants::ListShape& list,
                           const std::vector<SimServerState>& servers);
