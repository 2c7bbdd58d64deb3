// Placeholder until the table is built.
#pragma once
