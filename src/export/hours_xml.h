// Placeholder until the file is built.
#pragma once
