// libcellview.so is assembled from the static runtime layers; the exported
// entries themselves live in their layers and carry KV_EXPORT.  This unit
// only gives the shared library a translation unit of its own.
namespace kv {
extern const char* const kLibraryName;
const char* const kLibraryName = "cellview";
}  // namespace kv
