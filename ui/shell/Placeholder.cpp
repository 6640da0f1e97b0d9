// The interface library grows here; this keeps it non-empty until then.
namespace VexilUI {
int interfaceVersion() { return 1; }
} // namespace VexilUI
