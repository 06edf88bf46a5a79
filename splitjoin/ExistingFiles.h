#pragma once
// What a split or a join does with a file of its output's name that the
// target folder holds already.

namespace vellum {

enum class ExistingFiles { Refuse, Ask, Replace };

} // namespace vellum
