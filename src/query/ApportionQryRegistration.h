#pragma once
// Registers the module's window classes at module start-up.
void RegisterApportionQryClasses();
