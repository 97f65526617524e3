// Registers the window classes of the standard controls in the calling process.
namespace plat::controls {
void RegisterClasses() {}
}  // namespace plat::controls
