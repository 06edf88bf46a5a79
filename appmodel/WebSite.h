#pragma once
// The maker's web site, named by the About box and the start-up messages.
namespace vellum {
inline constexpr const char* kWebSite = "https://www.orrindale.example/vellum/";
}
