// KestraLive's version: what the update check reports to the cloud and what --version prints.
#pragma once

inline constexpr char programVersion[] = "1.0.34";
