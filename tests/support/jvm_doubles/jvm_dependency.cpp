// A library that the dependent test double imports. It is kept only in the
// runtime's bin folder, as the C runtime of a real Java runtime is.
extern "C" __declspec(dllexport) int vandrel_dependency_answer() { return 42; }
