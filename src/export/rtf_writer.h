// Placeholder until the writer is built.
#pragma once
