// A meshes-as-rows table with two schemes and exact values written as a case of the dados.r33
// run: dados.r33, the exact-results file and one solution file per scheme and mesh, code page
// 1252, so that the run and its report follow. The case asks the run for what a study does:
// the low-order scheme is the one of lower formal order, iq is 0 for sizes of one refinement
// ratio (study::constant_ratio) and 1 otherwise, the bisection's controls are
// kStudyBisection, and every number is written in its shortest form that reads back exactly.
#pragma once

#include <string>

#include "study/mesh_study.h"
#include "study/table.h"

namespace study {

// The files go into `folder` (made when missing; a folder that holds a dados.r33 already is
// refused). `title` becomes the run's title (cut to its 40 characters). A table that cannot be
// a case comes back as an Error naming why: not two schemes, a quantity without an exact value,
// a blank cell, schemes on different meshes, a name the run's files cannot hold.
Error write_case(const MeshTable& table, const FormalOrders& orders, const std::string& folder,
                 const std::string& title);

}  // namespace study
