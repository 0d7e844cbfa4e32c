// The mate solver's process-wide state. Everything below lives for the whole
// process and is used on the computer thread only, except the time-limit words,
// which the stop entries write from any thread:
//
// - The three instances (tsume_entry.cpp): the in-game instance, made by
//   tsume_alloc and destroyed by tsume_free; the problem solver, made by
//   ktsume_alloc (ktsume_alloc_default) and destroyed by ktsume_free; the
//   composer's, made by compose_instance_alloc and destroyed by
//   compose_instance_free (KCompose makes it for each Generate, together with
//   the node table of its own that the shorter-mate test keeps its results
//   in). Each is null while absent, and every entry point on an absent
//   instance does nothing or answers "undecided" (1).
// - Each instance's node table: emptied at the start of every solve of the
//   problem solver and the composer; the in-game table keeps its entries until
//   tsume_pool_reset.
// - Each instance's time limit (KTsumeEngine::time_limit, a std::atomic): set by
//   every search and by tsume_stop / ktsume_set_time_limit; 0 stops a running
//   search at its next check (every 48 counts).
// - The problem solver's solution trees: the current tree, replaced by every
//   solve; the committed tree, set by ktsume_tree_commit and freed by
//   ktsume_tree_free.
// - The path-key tables (path_keys.h): compile-time constants.
#pragma once
