// Replaced by the windows as they are built.
namespace tarnwick {
void UiPlaceholder() { }
}
